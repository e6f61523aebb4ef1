#include "Autostart.h"

#include "Version.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>

namespace {

const QString EntryName = QString::fromLatin1(Version::ApplicationTitle);

QString executableName()
{
    const QString path = QCoreApplication::applicationFilePath();
    return path.isEmpty() ? QString::fromLatin1(Version::SettingsApplication)
                          : QFileInfo(path).fileName();
}

#ifdef Q_OS_WIN
const QString RunKey =
    QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
#endif

// Characters that make an Exec argument need quotes, and those escaped inside the quotes.
const QString ReservedInExec = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
const QString EscapedInQuotes = QStringLiteral("\"`$\\");

// The general escapes of a desktop entry string, which readers undo before the Exec quoting.
QString escapeDesktopString(const QString& value)
{
    QString result;
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '\\':
            result += QLatin1String("\\\\");
            break;
        case '\n':
            result += QLatin1String("\\n");
            break;
        case '\t':
            result += QLatin1String("\\t");
            break;
        case '\r':
            result += QLatin1String("\\r");
            break;
        default:
            result += c;
        }
    }
    return result;
}

} // namespace

QString desktopExecArgument(const QString& path)
{
    QString argument = path;
    if (std::any_of(path.cbegin(), path.cend(),
                    [](QChar c) { return ReservedInExec.contains(c); })) {
        argument = QString(QLatin1Char('"'));
        for (const QChar c : path) {
            if (EscapedInQuotes.contains(c))
                argument += QLatin1Char('\\');
            argument += c;
        }
        argument += QLatin1Char('"');
    }
    // A lone percent sign would start a field code.
    argument.replace(QLatin1Char('%'), QLatin1String("%%"));
    return escapeDesktopString(argument);
}

QString autostartCommand(const QString& programFolder)
{
#ifdef Q_OS_WIN
    return QDir::toNativeSeparators(programFolder) + QLatin1Char('\\') +
           QFileInfo(executableName()).completeBaseName() + QLatin1String(".exe");
#else
    return programFolder + QLatin1Char('/') + executableName();
#endif
}

PlatformAutostart::PlatformAutostart(QString location)
    : m_location(std::move(location))
{
    if (!m_location.isEmpty())
        return;
#ifdef Q_OS_WIN
    m_location = RunKey;
#else
    m_location = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                 QLatin1String("/autostart");
#endif
}

#ifdef Q_OS_WIN

QString PlatformAutostart::entryLocation() const
{
    return m_location;
}

bool PlatformAutostart::enable(const QString& program)
{
    QSettings run(m_location, QSettings::NativeFormat);
    if (!run.isWritable())
        return false;
    run.setValue(EntryName, program);
    run.sync();
    return run.status() == QSettings::NoError;
}

bool PlatformAutostart::disable()
{
    QSettings run(m_location, QSettings::NativeFormat);
    if (!run.isWritable())
        return false;
    run.remove(EntryName);
    run.sync();
    return run.status() == QSettings::NoError;
}

bool PlatformAutostart::isEnabled() const
{
    return QSettings(m_location, QSettings::NativeFormat).contains(EntryName);
}

#else

QString PlatformAutostart::entryLocation() const
{
    return m_location + QLatin1Char('/') + EntryName + QLatin1String(".desktop");
}

bool PlatformAutostart::enable(const QString& program)
{
    if (!QDir().mkpath(m_location))
        return false;
    QSaveFile file(entryLocation());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    const QString entry = QLatin1String("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=") +
                          QLatin1String(Version::ProductName) + QLatin1String("\nExec=") +
                          desktopExecArgument(program) + QLatin1String("\nIcon=") +
                          QLatin1String(Version::IconName) +
                          QLatin1String("\nX-GNOME-Autostart-enabled=true\n");
    file.write(entry.toUtf8());
    return file.commit();
}

bool PlatformAutostart::disable()
{
    return !QFile::exists(entryLocation()) || QFile::remove(entryLocation());
}

bool PlatformAutostart::isEnabled() const
{
    return QFile::exists(entryLocation());
}

#endif
