#pragma once

#include <QString>

// Small questions to the operating system, kept here so another platform needs only this.
namespace Platform {
// The login name of the user running the program; empty when the system gives none.
QString loginName();
// The computer's network name.
QString machineName();
// The folder that holds the program's executable.
QString programFolder();
// A file that ships with the program: beside the executable (the build tree, a copy run from
// one folder), else in the data folder of an installation next to the executable's folder.
// Where it is in neither, the place beside the executable.
QString dataFile(const QString& name, const QString& folder = programFolder());
// Hands the heap's free memory back to the system where the heap would otherwise keep it.
void returnFreedMemory();
} // namespace Platform
