#include "NetnsLab.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

constexpr int TimeoutMs = 30000;

// sbin is often missing from PATH under test runners, even for root.
QString ipProgram()
{
    return QStandardPaths::findExecutable(QStringLiteral("ip"), {"/usr/sbin", "/sbin", "/bin"});
}

// True when the program ended by itself with 0; *output gets its stdout, or stderr on failure.
bool run(const QString& program, const QStringList& args, QString* output = nullptr)
{
    QProcess process;
    process.start(program, args);
    const bool done = process.waitForFinished(TimeoutMs) &&
                      process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (output)
        *output = QString::fromUtf8(done ? process.readAllStandardOutput()
                                         : "failed: " + process.readAllStandardError())
                      .trimmed();
    return done;
}

// Through bash, so a checkout that lost the executable bit still works.
bool script(const QStringList& args, QString* output)
{
    return run(QStringLiteral("bash"), QStringList{QStringLiteral(KW_NETNS_SCRIPT)} + args, output);
}

} // namespace

NetnsLab::NetnsLab(const QString& prefix, int stations, Shape shape)
    // KW_NETNS_SALT keeps the labs of test runs in two checkouts at once apart.
    : m_prefix(prefix + qEnvironmentVariable("KW_NETNS_SALT"))
{
    if (geteuid() != 0) {
        m_reason = QStringLiteral("network namespaces need root");
        return;
    }
    m_built = true;
    if (shape == Shape::Routed) {
        if (script({"routed", m_prefix}, &m_reason))
            m_reason.clear();
        return;
    }
    if (!script({"up", m_prefix, QString::number(stations)}, &m_reason))
        return;
    m_reason.clear();
    for (int i = 1; i <= stations && m_reason.isEmpty(); ++i) {
        QString address;
        if (script({"addr", m_prefix, QString::number(i)}, &address))
            m_addresses << address;
        else
            m_reason = address;
    }
}

NetnsLab::~NetnsLab()
{
    QString error;
    if (m_built && !script({"down", m_prefix}, &error))
        qWarning().noquote() << "netns.sh down" << error;
}

bool NetnsLab::ip(int station, const QStringList& args) const
{
    return run(ipProgram(), QStringList{"-n", namespaceName(station)} + args);
}

bool NetnsLab::inNamespace(int station, const std::function<void()>& make) const
{
    const int own = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    const int lab =
        ::open(qPrintable("/run/netns/" + namespaceName(station)), O_RDONLY | O_CLOEXEC);
    const bool entered = own >= 0 && lab >= 0 && ::setns(lab, CLONE_NEWNET) == 0;
    if (entered) {
        make();
        ::setns(own, CLONE_NEWNET);
    }
    for (const int fd : {own, lab})
        if (fd >= 0)
            ::close(fd);
    return entered;
}

StationProcess::StationProcess(const QString& netns, const QString& program,
                               const QStringList& args, const QString& nick,
                               const QStringList& options)
    : m_netns(netns)
{
    const QString config = m_home.filePath("config"), runtime = m_home.filePath("runtime");
    QDir().mkdir(config);
    QDir().mkdir(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (!nick.isEmpty()) {
        QFile settings(config + QStringLiteral("/kestrowind2.ini"));
        if (settings.open(QIODevice::WriteOnly))
            settings.write("[options]\nfirst=true\nnick=" + nick.toUtf8() + '\n' +
                           (options.join('\n') + '\n').toUtf8());
    }
    // Through env(1), so the command reproduces the station by hand, without the desktop.
    m_command = QStringList{"netns", "exec", m_netns, "env"};
    for (const char* name :
         {"DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "SESSION_MANAGER",
          "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
        m_command << "-u" << name;
    m_command << "QT_QPA_PLATFORM=offscreen"
              << "LC_ALL=C.UTF-8"
              << "HOME=" + m_home.path() << "XDG_CONFIG_HOME=" + config
              << "XDG_RUNTIME_DIR=" + runtime << program << args;
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QObject::connect(&m_process, &QProcess::readyReadStandardOutput, [this] { takeLines(); });
    QObject::connect(&m_process, &QProcess::finished, [this] { takeLines(); });
}

StationProcess::~StationProcess()
{
    m_process.terminate();
    if (!m_process.waitForFinished(3000))
        m_process.kill();
    m_process.waitForFinished(3000);
}

void StationProcess::setRuntimeFolder(const QString& path)
{
    for (QString& part : m_command)
        if (part.startsWith(QLatin1String("XDG_RUNTIME_DIR=")))
            part = QStringLiteral("XDG_RUNTIME_DIR=") + path;
}

bool StationProcess::start()
{
    // A test that dies leaves no station to keep its namespace alive (ip and env exec).
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_process.start(ipProgram(), m_command);
    if (m_process.waitForStarted(10000))
        return true;
    qWarning() << "could not start a station:" << m_process.errorString();
    return false;
}

bool StationProcess::exitsCleanly(int timeoutMs)
{
    return (!isRunning() || m_process.waitForFinished(timeoutMs)) &&
           m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
}

QString StationProcess::describe() const
{
    return QStringLiteral("station in %1 (%2): ADDRESS %3; %4; ROSTER %5")
        .arg(m_netns,
             isRunning() ? QStringLiteral("running")
                         : QStringLiteral("ended with %1").arg(m_process.exitCode()),
             latest("ADDRESS"), latest("COUNT"), latest("ROSTER"));
}

void StationProcess::takeLines()
{
    // Once the program has ended, a last line without a newline counts too.
    while (m_process.canReadLine() || (!isRunning() && m_process.bytesAvailable() > 0)) {
        const QString line = QString::fromUtf8(m_process.readLine()).remove('\n');
        const QString kind = line.section(' ', 0, 0), text = line.section(' ', 1);
        if (kind.isEmpty())
            continue;
        m_latest.insert(kind, text);
        ++m_counts[kind];
        if (kind == QLatin1String("LINE"))
            m_lines << text;
    }
}
