#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <chrono>

// One running copy per user: a lock file in the user's runtime folder. The lock names the
// process that holds it, so the lock of a copy that crashed is taken over, not obeyed.
// Beside the lock the running copy listens on a local socket, so that a later start can ask
// it to show its window instead of leaving the user to look for it in the tray.
class SingleInstance final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SingleInstance)

public:
    // How long a later start waits for the running copy's answer before it calls it stuck.
    static constexpr std::chrono::milliseconds AnswerTimeout{2000};
    // The one request there is, and its answer, each a line.
    static constexpr char ShowRequest[] = "show\n";
    static constexpr char ShownAnswer[] = "shown\n";

    explicit SingleInstance(const QString& lockPath = defaultLockPath(), QObject* parent = nullptr);

    // False when another copy holds the lock.
    bool tryAcquire();
    // The running copy takes requests from later starts from now on; only the lock's holder
    // may, since it clears whatever a crashed copy left at the socket's place.
    bool listen();
    // The running copy is on its way out: a later start waits for the lock instead.
    void stopListening() { m_server.close(); }
    // A later start asks the running copy to show its window. True once the copy has answered
    // that it did; false when nothing answered within the time (none listens, or it is stuck).
    bool askRunningCopyToShow(std::chrono::milliseconds timeout = AnswerTimeout) const;

    // How long the running copy waits for a later start's request; tests shorten it.
    void setRequestTimeout(std::chrono::milliseconds timeout) { m_requestTimeout = timeout; }

    QString socketPath() const { return m_socketPath; }
    static QString defaultLockPath();

signals:
    // A later start asks for the window; answered once every receiver has run.
    void showRequested();

private:
    void onNewConnection();

    QLockFile m_lock;
    QString m_socketPath;
    QLocalServer m_server;
    std::chrono::milliseconds m_requestTimeout = AnswerTimeout;
};
