#include "SingleInstance.h"

#include "Version.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

namespace {

// A request is one short line; a peer that sends more, or nothing, is cut off.
constexpr qint64 LongestRequest = 64;
// Later starts come one at a time; more waiting at once is somebody else's doing.
constexpr int MostConnections = 8;
// How often a later start tries again while the running copy is not listening yet.
constexpr std::chrono::milliseconds RetryInterval{50};

int remainingMs(const QDeadlineTimer& deadline)
{
    return int(qMax<qint64>(0, deadline.remainingTime()));
}

} // namespace

SingleInstance::SingleInstance(const QString& lockPath, QObject* parent)
    : QObject(parent)
    , m_lock(lockPath)
    , m_socketPath((lockPath.endsWith(QLatin1String(".lock")) ? lockPath.chopped(5) : lockPath) +
                   QLatin1String(".socket"))
{
    // A running copy may hold the lock for weeks; only a dead holder makes it stale.
    m_lock.setStaleLockTime(0);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    m_server.setMaxPendingConnections(MostConnections);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
}

bool SingleInstance::tryAcquire()
{
    return m_lock.tryLock(0);
}

bool SingleInstance::listen()
{
    if (!m_lock.isLocked())
        return false;
    // With the lock held, a socket file here can only be a crashed copy's.
    QLocalServer::removeServer(m_socketPath);
    return m_server.listen(m_socketPath);
}

void SingleInstance::onNewConnection()
{
    while (QLocalSocket* peer = m_server.nextPendingConnection()) {
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        if (m_server.findChildren<QLocalSocket*>().size() > MostConnections) {
            peer->abort();
            continue;
        }
        // The running copy never waits for a peer: one that says nothing is dropped.
        QTimer::singleShot(m_requestTimeout, peer, &QLocalSocket::abort);
        connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
            if (!peer->canReadLine()) {
                if (peer->bytesAvailable() >= LongestRequest)
                    peer->abort();
                return;
            }
            const QByteArray request = peer->readLine(LongestRequest);
            // Whatever follows the request goes unread.
            disconnect(peer, &QLocalSocket::readyRead, this, nullptr);
            if (request != ShowRequest) {
                peer->abort();
                return;
            }
            emit showRequested();
            peer->write(ShownAnswer);
            peer->disconnectFromServer();
        });
    }
}

bool SingleInstance::askRunningCopyToShow(std::chrono::milliseconds timeout) const
{
    const QDeadlineTimer deadline(timeout);
    do {
        QLocalSocket socket;
        socket.connectToServer(m_socketPath);
        if (socket.waitForConnected(remainingMs(deadline))) {
            socket.write(ShowRequest);
            if (!socket.waitForBytesWritten(remainingMs(deadline)))
                return false;
            while (!socket.canReadLine() && socket.waitForReadyRead(remainingMs(deadline))) { }
            return socket.canReadLine() && socket.readLine(LongestRequest) == ShownAnswer;
        }
        // Not listening yet: the running copy may still be starting.
        QThread::msleep(RetryInterval.count());
    } while (!deadline.hasExpired());
    return false;
}

QString SingleInstance::defaultLockPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QLatin1Char('/') + QLatin1String(Version::SettingsApplication) +
           QLatin1String(".lock");
}
