#include "CommandLine.h"

namespace CommandLine {

QString argumentText(const QStringList& arguments)
{
    return arguments.mid(1).join(QLatin1Char(' '));
}

StartOptions parse(const QString& argumentText)
{
    const QString lower = argumentText.toLower();
    StartOptions options;
    options.help = lower.contains(QLatin1String("/?"));
    options.hide = lower.contains(QLatin1String("/hide"));
    options.uninstall = argumentText == QLatin1String("/uninstall");
    return options;
}

} // namespace CommandLine
