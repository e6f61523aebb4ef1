#pragma once

#include <QHash>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

// A LAN of network namespaces "PREFIX-i" (i from 1) built by netns.sh, removed at its end; or
// the four stations on two routed subnets of "netns.sh routed", which have no address list here.
class NetnsLab final {
public:
    enum class Shape { Lan, Routed };
    NetnsLab(const QString& prefix, int stations, Shape shape = Shape::Lan);
    ~NetnsLab();
    Q_DISABLE_COPY_MOVE(NetnsLab)

    bool available() const { return m_reason.isEmpty(); }
    QString reason() const { return m_reason; }
    QString namespaceName(int station) const { return m_prefix + '-' + QString::number(station); }
    QString address(int station) const { return m_addresses.value(station - 1); }
    bool ip(int station, const QStringList& args) const;
    // Runs make() in the station's namespace: sockets made there stay there.
    bool inNamespace(int station, const std::function<void()>& make) const;

private:
    QString m_prefix;
    bool m_built = false;
    QString m_reason;
    QStringList m_addresses;
};

// One program in a namespace with a home of its own, counting its "KIND text" output lines.
class StationProcess final {
public:
    // With a nick, settings with it and the options given ("key=value") are written first.
    StationProcess(const QString& netns, const QString& program, const QStringList& args = {},
                   const QString& nick = {}, const QStringList& options = {});
    ~StationProcess();
    Q_DISABLE_COPY_MOVE(StationProcess)

    // Copies given the same runtime folder share the single-instance lock, as one user's do.
    void setRuntimeFolder(const QString& path);
    bool start();
    void writeLine(const QString& line) { m_process.write(line.toUtf8() + '\n'); }
    void terminate() { m_process.terminate(); }
    // True when the program ended by itself with code 0.
    bool exitsCleanly(int timeoutMs);
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    qint64 processId() const { return m_process.processId(); }

    int seen(const QString& kind) const { return m_counts.value(kind); }
    QString latest(const QString& kind) const { return m_latest.value(kind); }
    QStringList roster() const { return latest("ROSTER").split(';', Qt::SkipEmptyParts); }
    QStringList lines() const { return m_lines; }
    QString describe() const;

private:
    void takeLines();

    QString m_netns;
    QStringList m_command;
    QTemporaryDir m_home;
    QHash<QString, QString> m_latest;
    QHash<QString, int> m_counts;
    QStringList m_lines;
    QProcess m_process; // last: gone before what its signals fill in
};
