#include "StationProcess.h"

#include "NetnsLab.h"

#include <QFile>
#include <QProcessEnvironment>

#include <signal.h>
#include <sys/prctl.h>
#include <utility>

namespace {

// Enough of the station's stderr to explain a failure without flooding the log.
constexpr int kKeptErrorLines = 40;
constexpr int kStopTimeoutMs = 3000;

} // namespace

StationProcess::StationProcess(QString netns, QString program, QStringList args, QObject* parent)
    : QObject(parent)
    , m_netns(std::move(netns))
    , m_program(std::move(program))
    , m_args(std::move(args))
{
    // QTemporaryDir makes its folders 0700 already; the runtime folder must stay that way or
    // Qt refuses to use it.
    QFile::setPermissions(m_runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    m_env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    m_env.insert(QStringLiteral("HOME"), m_home.path());
    m_env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
    m_env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));

    connect(&m_process, &QProcess::readyReadStandardOutput, this,
            &StationProcess::onStandardOutput);
    connect(&m_process, &QProcess::readyReadStandardError, this, &StationProcess::onStandardError);
    connect(&m_process, &QProcess::finished, this, [this] {
        // A last line without a newline still counts.
        onStandardOutput();
        if (!m_pending.isEmpty())
            takeLine(std::exchange(m_pending, {}));
        onStandardError();
        if (!m_pendingErrors.isEmpty())
            m_errors << QString::fromUtf8(std::exchange(m_pendingErrors, {}));
    });
}

StationProcess::~StationProcess()
{
    if (!isRunning())
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(kStopTimeoutMs)) {
        m_process.kill();
        m_process.waitForFinished(kStopTimeoutMs);
    }
}

bool StationProcess::start(int timeoutMs)
{
    if (!m_home.isValid() || !m_config.isValid() || !m_runtime.isValid()) {
        m_errors << QStringLiteral("could not create the station's temporary folders");
        return false;
    }
    const QString ip = NetnsLab::ipProgram();
    if (ip.isEmpty()) {
        m_errors << QStringLiteral("'ip' from iproute2 is not installed");
        return false;
    }

    // Whatever points at the tester's desktop session must not leak into the station.
    QProcessEnvironment base = QProcessEnvironment::systemEnvironment();
    for (const char* name :
         {"DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "SESSION_MANAGER",
          "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
        base.remove(QString::fromLatin1(name));
    m_process.setProcessEnvironment(base);

    // The overrides go on the command line through env(1), so the logged command reproduces
    // the station by hand.
    QStringList args{QStringLiteral("netns"), QStringLiteral("exec"), m_netns,
                     QStringLiteral("env")};
    for (auto it = m_env.cbegin(); it != m_env.cend(); ++it)
        args << it.key() + QLatin1Char('=') + it.value();
    args << m_program << m_args;

    // If the test dies without running destructors, its stations must not linger and keep
    // their namespaces alive; ip and env exec, so the signal reaches the station itself.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_process.start(ip, args);
    if (!m_process.waitForStarted(timeoutMs)) {
        m_errors << QStringLiteral("could not start: %1").arg(m_process.errorString());
        return false;
    }
    m_started = true;
    return true;
}

void StationProcess::writeLine(const QString& line)
{
    m_process.write(line.toUtf8() + '\n');
}

bool StationProcess::waitForExit(int timeoutMs)
{
    if (!isRunning())
        return true;
    return m_process.waitForFinished(timeoutMs);
}

bool StationProcess::isRunning() const
{
    return m_process.state() != QProcess::NotRunning;
}

QString StationProcess::describe() const
{
    QStringList text;
    QString state;
    if (!m_started)
        state = QStringLiteral("not started");
    else if (isRunning())
        state = QStringLiteral("running, pid %1").arg(m_process.processId());
    else if (m_process.exitStatus() == QProcess::CrashExit)
        state = QStringLiteral("crashed");
    else
        state = QStringLiteral("exited with %1").arg(m_process.exitCode());
    text << QStringLiteral("station in %1 (%2)").arg(m_netns, state);
    text << QStringLiteral("  MYIP   %1").arg(myIp());
    text << QStringLiteral("  COUNT  %1").arg(count());
    text << QStringLiteral("  ROSTER %1").arg(latest(QStringLiteral("ROSTER")));
    if (!m_errors.isEmpty()) {
        text << QStringLiteral("  stderr:");
        for (const QString& line : m_errors)
            text << QStringLiteral("    ") + line;
    }
    return text.join(QLatin1Char('\n'));
}

QList<RosterEntry> StationProcess::parseRoster(QStringView text)
{
    QList<RosterEntry> entries;
    for (QStringView item : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const qsizetype eq = item.indexOf(QLatin1Char('='));
        const QStringView key = eq < 0 ? item : item.left(eq);
        const QStringView rest = eq < 0 ? QStringView() : item.mid(eq + 1);
        const qsizetype bar = rest.indexOf(QLatin1Char('|'));
        RosterEntry entry;
        entry.key = key.toString();
        entry.icon = (bar < 0 ? rest : rest.left(bar)).toString();
        entry.nick = bar < 0 ? QString() : rest.mid(bar + 1).toString();
        entries << entry;
    }
    return entries;
}

void StationProcess::onStandardOutput()
{
    m_pending += m_process.readAllStandardOutput();
    qsizetype newline;
    while ((newline = m_pending.indexOf('\n')) >= 0) {
        QByteArray raw = m_pending.left(newline);
        m_pending.remove(0, newline + 1);
        takeLine(std::move(raw));
    }
}

void StationProcess::onStandardError()
{
    m_pendingErrors += m_process.readAllStandardError();
    qsizetype newline;
    while ((newline = m_pendingErrors.indexOf('\n')) >= 0) {
        m_errors << QString::fromUtf8(m_pendingErrors.left(newline));
        m_pendingErrors.remove(0, newline + 1);
    }
    if (m_errors.size() > kKeptErrorLines)
        m_errors.remove(0, m_errors.size() - kKeptErrorLines);
}

void StationProcess::takeLine(QByteArray raw)
{
    if (raw.endsWith('\r'))
        raw.chop(1);
    const QString line = QString::fromUtf8(raw);
    const qsizetype space = line.indexOf(QLatin1Char(' '));
    const QString kind = space < 0 ? line : line.left(space);
    const QString text = space < 0 ? QString() : line.mid(space + 1);
    m_latest.insert(kind, text);
    ++m_counts[kind];
    if (kind == QLatin1String("LINE"))
        m_transcript << text;
}
