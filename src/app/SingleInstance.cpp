#include "SingleInstance.h"

#include "Version.h"

#include <QDir>
#include <QStandardPaths>

SingleInstance::SingleInstance(const QString& lockPath)
    : m_lock(lockPath)
{
    // A running copy may hold the lock for weeks; only a dead holder makes it stale.
    m_lock.setStaleLockTime(0);
}

bool SingleInstance::tryAcquire()
{
    return m_lock.tryLock(0);
}

QString SingleInstance::defaultLockPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QLatin1Char('/') + QLatin1String(Version::SettingsApplication) +
           QLatin1String(".lock");
}
