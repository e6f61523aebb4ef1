#pragma once

#include <QHash>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

// A LAN of network namespaces "PREFIX-i" (i from 1) built by netns.sh, removed in the
// destructor so a failing test leaves nothing behind.
class NetnsLab final {
public:
    NetnsLab(const QString& prefix, int stations);
    ~NetnsLab();
    Q_DISABLE_COPY_MOVE(NetnsLab)

    // False when the lab could not be built (not root, no iproute2); reason() says why.
    bool available() const { return m_reason.isEmpty(); }
    QString reason() const { return m_reason; }
    QString namespaceName(int station) const { return m_prefix + '-' + QString::number(station); }
    QString address(int station) const { return m_addresses.value(station - 1); }
    // Runs "ip -n <station's namespace> args..."; false when it fails.
    bool ip(int station, const QStringList& args) const;
    // Runs make() with this thread in the station's namespace: sockets made (bound) there stay
    // there. False when the namespace cannot be entered.
    bool inNamespace(int station, const std::function<void()>& make) const;

private:
    QString m_prefix;
    bool m_built = false;
    QString m_reason;
    QStringList m_addresses;
};

// One program in a network namespace with a home of its own (no shared settings or locks),
// keeping the newest text and the count of each kind of "KIND text" line on its stdout.
class StationProcess final {
public:
    // A nick is stored before the start, as a returning user has it.
    StationProcess(const QString& netns, const QString& program, const QStringList& args = {},
                   const QString& nick = {});
    ~StationProcess();
    Q_DISABLE_COPY_MOVE(StationProcess)

    // Copies given the same runtime folder share the single-instance lock, as one user's do.
    void setRuntimeFolder(const QString& path);
    bool start();
    void writeLine(const QString& line) { m_process.write(line.toUtf8() + '\n'); }
    // SIGTERM, as a desktop session or a service manager ends a program.
    void terminate() { m_process.terminate(); }
    // Waits for the end; true when the program ended by itself with code 0.
    bool exitsCleanly(int timeoutMs);
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    qint64 processId() const { return m_process.processId(); }

    int seen(const QString& kind) const { return m_counts.value(kind); }
    QString latest(const QString& kind) const { return m_latest.value(kind); }
    // One "key=icon|nick" per entry, in the roster's order.
    QStringList roster() const { return latest("ROSTER").split(';', Qt::SkipEmptyParts); }
    QStringList lines() const { return m_lines; }
    // The state, for failure messages.
    QString describe() const;

private:
    void takeLines();

    QString m_netns;
    QStringList m_command;
    QTemporaryDir m_home;
    QByteArray m_pending;
    QHash<QString, QString> m_latest;
    QHash<QString, int> m_counts;
    QStringList m_lines;
    QProcess m_process; // last: gone before what its signals fill in
};
