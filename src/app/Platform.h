#pragma once

#include <QString>

// Small questions to the operating system, kept here so another platform needs only this.
namespace Platform {
// The login name of the user running the program; empty when the system gives none.
QString GetWindowsUserName();
// The computer's network name.
QString GetMachineName();
// The folder that holds the program's executable.
QString programFolder();
} // namespace Platform
