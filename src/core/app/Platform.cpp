#include "Platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSysInfo>

#ifdef Q_OS_WIN
#include <qt_windows.h>

#include <lmcons.h>
#else
#include <pwd.h>
#include <unistd.h>
#endif

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace Platform {

QString loginName()
{
#ifdef Q_OS_WIN
    wchar_t name[UNLEN + 1];
    DWORD size = UNLEN + 1;
    if (!GetUserNameW(name, &size))
        return {};
    return QString::fromWCharArray(name).section(QChar(0), 0, 0);
#else
    if (const passwd* entry = getpwuid(geteuid()); entry && entry->pw_name)
        return QString::fromLocal8Bit(entry->pw_name);
    return qEnvironmentVariable("USER");
#endif
}

QString machineName()
{
    return QSysInfo::machineHostName();
}

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

QString dataFile(const QString& name, const QString& folder)
{
    const QDir programDir(folder);
    const QString beside = programDir.filePath(name);
    // Relative, so an installed tree still finds its files after it has been moved.
    const QString installed =
        QDir::cleanPath(programDir.filePath(QStringLiteral(KW_DATA_FROM_PROGRAM "/") + name));
    return !QFileInfo(beside).isFile() && QFileInfo(installed).isFile() ? installed : beside;
}

void returnFreedMemory()
{
#if defined(__GLIBC__)
    // glibc keeps freed memory below the top of its heaps and in its arenas until asked.
    malloc_trim(0);
#endif
}

} // namespace Platform
