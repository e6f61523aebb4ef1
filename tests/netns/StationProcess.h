#pragma once

#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

struct RosterEntry {
    QString key;
    QString icon;
    QString nick;

    bool operator==(const RosterEntry&) const = default;
};

// One station program running inside a network namespace, with a home, config folder and
// runtime folder of its own so that stations never share settings or single-instance locks.
// It reads the station's line protocol from stdout ("KIND text", one line per change) and
// keeps the latest text of each kind.
class StationProcess final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StationProcess)

public:
    StationProcess(QString netns, QString program, QStringList args = {},
                   QObject* parent = nullptr);
    ~StationProcess() override;

    bool start(int timeoutMs = 10000);
    void writeLine(const QString& line);
    // SIGTERM, as a desktop session or a service manager ends a program.
    void terminate() { m_process.terminate(); }
    // True once the station has exited, whether now or before.
    bool waitForExit(int timeoutMs);

    bool isRunning() const;
    qint64 processId() const { return m_process.processId(); }
    int exitCode() const { return m_process.exitCode(); }
    QProcess::ExitStatus exitStatus() const { return m_process.exitStatus(); }

    QString netns() const { return m_netns; }
    QString configPath() const { return m_config.path(); }

    bool hasSeen(const QString& kind) const { return m_latest.contains(kind); }
    // How many lines of that kind came.
    int seen(const QString& kind) const { return m_counts.value(kind); }
    // Text after "KIND " in the newest line of that kind; empty if none came yet.
    QString latest(const QString& kind) const { return m_latest.value(kind); }
    QList<RosterEntry> roster() const { return parseRoster(latest(QStringLiteral("ROSTER"))); }
    QString count() const { return latest(QStringLiteral("COUNT")); }
    QString myIp() const { return latest(QStringLiteral("MYIP")); }
    QStringList lines() const { return m_transcript; }

    // A few lines on the station's state, for failure messages.
    QString describe() const;

    // "k=icon|nick;k=icon|nick": a nick keeps any '|' or '=' after the first of each.
    static QList<RosterEntry> parseRoster(QStringView text);

private:
    void onStandardOutput();
    void onStandardError();
    void takeLine(QByteArray raw);

    QString m_netns;
    QString m_program;
    QStringList m_args;
    QTemporaryDir m_home;
    QTemporaryDir m_config;
    QTemporaryDir m_runtime;
    QMap<QString, QString> m_env;
    QProcess m_process;
    bool m_started = false;
    QByteArray m_pending;
    QByteArray m_pendingErrors;
    QHash<QString, QString> m_latest;
    QHash<QString, int> m_counts;
    QStringList m_transcript;
    QStringList m_errors;
};
