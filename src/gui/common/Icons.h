#pragma once

#include <QIcon>
#include <QString>

// The program's pictures, built into the executable.
namespace Icons {
// The application icon, the same one the desktop's menu shows.
QIcon application();
// The same picture with a mark in its corner: lines came in that the user has not seen.
QIcon withUnreadMark(const QIcon& base);
// The user list's pictures by key, drawn in code: "user" for a user, "u1" for the own entry.
QIcon user(const QString& key);
} // namespace Icons
