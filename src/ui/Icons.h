#pragma once

#include <QIcon>
#include <QString>

// The program's pictures, drawn in code so no image files need to travel with it.
namespace Icons {
QIcon application();
// The user list's pictures by key: "user" for a user, "u1" for the own entry.
QIcon user(const QString& key);
} // namespace Icons
