#pragma once

#include <QString>
#include <QStringList>

// What the command line asks of a start. The whole argument text is examined, as typed.
struct StartOptions {
    bool help = false; // "/?" anywhere, any case
    bool hide = false; // "/hide" anywhere, any case
    bool uninstall = false; // the whole text is exactly "/uninstall"
};

namespace CommandLine {
// The arguments after the program's own name, joined by blanks.
QString argumentText(const QStringList& arguments);
StartOptions parse(const QString& argumentText);
} // namespace CommandLine
