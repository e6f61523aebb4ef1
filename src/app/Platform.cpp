#include "Platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QSysInfo>

#ifdef Q_OS_WIN
#include <qt_windows.h>

#include <lmcons.h>
#else
#include <pwd.h>
#include <unistd.h>
#endif

namespace Platform {

QString GetWindowsUserName()
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

QString GetMachineName()
{
    return QSysInfo::machineHostName();
}

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

} // namespace Platform
