#pragma once

#include <QLockFile>
#include <QString>

// One running copy per user: a lock file in the user's runtime folder. The lock names the
// process that holds it, so the lock of a copy that crashed is taken over, not obeyed.
class SingleInstance final {
    Q_DISABLE_COPY_MOVE(SingleInstance)

public:
    explicit SingleInstance(const QString& lockPath = defaultLockPath());

    // False when another copy holds the lock.
    bool tryAcquire();

    static QString defaultLockPath();

private:
    QLockFile m_lock;
};
