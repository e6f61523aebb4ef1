// What an idle station costs: processor time and wakeups (context switches of all its threads)
// while nothing happens, on a screen without a notification area and on one with trayer
// docked in it. The baseline is a trivial Qt program with a window, a tray icon and a UDP
// socket that sits beside the station on the same screen for the same time.
//
//   bench_idle drive --program PATH [--seconds N] [--netns NS]
//   bench_idle trivial [--tray]
//
// The seconds default to KW_BENCH_IDLE_SECONDS, else 120; the wakeup goal scales with them.
#include "BenchSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QNetworkDatagram>
#include <QPixmap>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QThread>
#include <QUdpSocket>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

// Start-up, the welcome balloon, the first announcements, and the painting threads Qt lends
// the first paint, which end after half a minute without work.
constexpr int SettleSeconds = 35;
constexpr double WakeupGoalPer120s = 10;
constexpr int StartTimeoutMs = 15'000;

// Sits idle with a window, a tray icon and a socket that would take datagrams.
int trivial(int argc, char** argv)
{
    QApplication app(argc, argv);
    const bool tray = app.arguments().contains(QLatin1String("--tray"));
    QLabel window(QStringLiteral("Kestrowind"));
    window.show();
    QUdpSocket socket;
    socket.bind(QHostAddress::AnyIPv4, 0);
    QObject::connect(&socket, &QUdpSocket::readyRead, &socket, [&socket] {
        while (socket.hasPendingDatagrams())
            socket.receiveDatagram();
    });
    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::darkCyan);
    QSystemTrayIcon icon{QIcon(pixmap)};
    // The driver starts the station once the notification area is there for both.
    const Bench::Stopwatch waited;
    while (tray && !QSystemTrayIcon::isSystemTrayAvailable() && waited.wallMs() < StartTimeoutMs) {
        QCoreApplication::processEvents();
        QThread::msleep(50);
    }
    icon.show();
    QCoreApplication::processEvents();
    std::printf("ready %d\n", QSystemTrayIcon::isSystemTrayAvailable() ? 1 : 0);
    std::fflush(stdout);
    return app.exec();
}

// Processor time and context switches of each of a process's threads, from /proc.
struct ThreadUsage {
    QString name;
    double cpuMs = 0;
    qint64 switches = 0;
};
using Usage = QHash<QString, ThreadUsage>; // by thread id

qint64 statusField(const QByteArray& status, const QByteArray& field)
{
    const qsizetype at = status.indexOf('\n' + field + ':');
    if (at < 0)
        return 0;
    const qsizetype start = at + field.size() + 2;
    return status.mid(start, status.indexOf('\n', start) - start).trimmed().toLongLong();
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

Usage usageOf(qint64 pid)
{
    Usage usage;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    for (const QString& tid : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString task = tasks + QLatin1Char('/') + tid + QLatin1Char('/');
        const QByteArray status = '\n' + readAll(task + QLatin1String("status"));
        // Nanoseconds on the processor come first; clock ticks would round an idle thread to 0.
        usage.insert(
            tid, {QString::fromUtf8(readAll(task + QLatin1String("comm")).trimmed()),
                  readAll(task + QLatin1String("schedstat")).split(' ').value(0).toDouble() / 1e6,
                  statusField(status, "voluntary_ctxt_switches") +
                      statusField(status, "nonvoluntary_ctxt_switches")});
    }
    return usage;
}

// What the threads spent between two readings. A thread born in between counts from its birth;
// one that ended took its figures along and is named in the note.
struct Spent {
    double cpuMs = 0;
    qint64 wakeups = 0;
    QString detail;
};

Spent spentBetween(const Usage& before, const Usage& after)
{
    Spent spent;
    QList<std::pair<qint64, QString>> woke;
    for (auto it = after.begin(); it != after.end(); ++it) {
        const ThreadUsage earlier = before.value(it.key());
        spent.cpuMs += it->cpuMs - earlier.cpuMs;
        spent.wakeups += it->switches - earlier.switches;
        if (it->switches > earlier.switches)
            woke.append({it->switches - earlier.switches, it->name});
    }
    std::sort(woke.begin(), woke.end(), std::greater<>());
    QStringList parts;
    for (const auto& [count, name] : woke)
        parts << QStringLiteral("%1 %2").arg(name).arg(count);
    for (auto it = before.begin(); it != before.end(); ++it) {
        if (!after.contains(it.key()))
            parts << QStringLiteral("%1 ended").arg(it->name);
    }
    spent.detail = parts.isEmpty() ? QStringLiteral("none") : parts.join(QStringLiteral(", "));
    return spent;
}

// A child on the virtual screen, in a home of its own, ended with the run.
class Child final {
    Q_DISABLE_COPY_MOVE(Child)

public:
    Child(const QProcessEnvironment& screen, const Bench::Netns& netns)
    {
        QProcessEnvironment environment = screen;
        environment.insert(QStringLiteral("HOME"), m_home.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath("config"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_home.path());
        QFile::setPermissions(m_home.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QDir(m_home.path()).mkdir(QStringLiteral("config"));
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        netns.startInside(m_process);
    }
    ~Child()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished();
    }

    // A returning user: no first-run greeting waits for a click.
    void storeNick()
    {
        QFile settings(m_home.filePath(QStringLiteral("config/kestrowind2.ini")));
        if (settings.open(QIODevice::WriteOnly))
            settings.write("[options]\nfirst=true\nnick=idle\n");
    }
    QProcess& process() { return m_process; }
    qint64 pid() const { return m_process.processId(); }

private:
    QTemporaryDir m_home;
    QProcess m_process;
};

// Xvfb on a display of its own choosing, and trayer docked in it when asked.
class VirtualScreen final {
    Q_DISABLE_COPY_MOVE(VirtualScreen)

public:
    explicit VirtualScreen(bool tray)
    {
        m_server.start(QStringLiteral("Xvfb"),
                       {QStringLiteral("-displayfd"), QStringLiteral("1"),
                        QStringLiteral("-screen"), QStringLiteral("0"),
                        QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                        QStringLiteral("tcp")});
        if (!m_server.waitForReadyRead(StartTimeoutMs))
            return;
        m_display = QLatin1Char(':') + QString::fromLatin1(m_server.readLine().trimmed());
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert(QStringLiteral("DISPLAY"), m_display);
        m_environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        if (tray) {
            m_tray.setProcessEnvironment(m_environment);
            m_tray.setStandardOutputFile(QProcess::nullDevice());
            m_tray.setStandardErrorFile(QProcess::nullDevice());
            m_tray.start(QStringLiteral("trayer"),
                         {QStringLiteral("--edge"), QStringLiteral("bottom"),
                          QStringLiteral("--align"), QStringLiteral("right"),
                          QStringLiteral("--widthtype"), QStringLiteral("request"),
                          QStringLiteral("--height"), QStringLiteral("24")});
        }
    }
    ~VirtualScreen()
    {
        for (QProcess* process : {&m_tray, &m_server}) {
            process->terminate();
            process->waitForFinished(5000);
        }
    }
    bool isValid() const { return !m_display.isEmpty(); }
    const QProcessEnvironment& environment() const { return m_environment; }

private:
    QProcess m_server;
    QProcess m_tray;
    QString m_display;
    QProcessEnvironment m_environment;
};

bool measure(const QString& program, const Bench::Netns& netns, bool tray, int seconds)
{
    const VirtualScreen screen(tray);
    if (!screen.isValid())
        return false;
    Child baseline(screen.environment(), netns);
    QStringList trivialArgs{QStringLiteral("trivial")};
    if (tray)
        trivialArgs << QStringLiteral("--tray");
    baseline.process().start(QCoreApplication::applicationFilePath(), trivialArgs);
    if (!baseline.process().waitForReadyRead(StartTimeoutMs))
        return false;
    if (tray && !baseline.process().readLine().startsWith("ready 1")) {
        Bench::note(QStringLiteral("  trayer gave no notification area"));
        return false;
    }
    Child station(screen.environment(), netns);
    station.storeNick();
    station.process().start(program, {});
    if (!station.process().waitForStarted(StartTimeoutMs))
        return false;
    QThread::sleep(SettleSeconds);

    const Usage stationBefore = usageOf(station.pid()), trivialBefore = usageOf(baseline.pid());
    QThread::sleep(seconds);
    const Usage stationAfter = usageOf(station.pid()), trivialAfter = usageOf(baseline.pid());
    if (station.process().state() != QProcess::Running)
        return false;

    const Spent spent = spentBetween(stationBefore, stationAfter);
    const Spent trivialSpent = spentBetween(trivialBefore, trivialAfter);
    const QString where = tray ? QStringLiteral("with a tray") : QStringLiteral("no tray");
    const double goal = WakeupGoalPer120s * seconds / 120;
    Bench::figure(QStringLiteral("%1: processor time / the trivial program's").arg(where),
                  spent.cpuMs, trivialSpent.cpuMs, QStringLiteral("ms"), QStringLiteral("<= 1.5"));
    Bench::limit(QStringLiteral("%1: wakeups / %2 (the trivial program: %3)")
                     .arg(where)
                     .arg(goal, 0, 'f', 1)
                     .arg(trivialSpent.wakeups),
                 double(spent.wakeups), goal, QStringLiteral("wakeups"));
    Bench::note(QStringLiteral("    the station's threads that woke: %1").arg(spent.detail));
    return true;
}

int drive(const QStringList& args)
{
    const QString program = Bench::option(args, "--program");
    const Bench::Netns netns(Bench::option(args, "--netns"));
    QString secondsText = Bench::option(args, "--seconds");
    if (secondsText.isEmpty())
        secondsText = qEnvironmentVariable("KW_BENCH_IDLE_SECONDS", QStringLiteral("120"));
    const int seconds = qMax(1, secondsText.toInt());
    if (program.isEmpty() || !netns.isValid()) {
        std::fprintf(stderr, "bench_idle: no program, or the namespace cannot be used\n");
        return 1;
    }
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("trayer")).isEmpty()) {
        Bench::note(QStringLiteral("idle: needs Xvfb and trayer; not measured"));
        return 0;
    }
    Bench::note(QStringLiteral("idle for %1 s on a virtual screen, against a trivial Qt program "
                               "with a window, a tray icon and a UDP socket:")
                    .arg(seconds));
    for (const bool tray : {false, true}) {
        if (!measure(program, netns, tray, seconds))
            Bench::note(QStringLiteral("  %1: a program did not start or ended early; not measured")
                            .arg(tray ? QStringLiteral("with a tray") : QStringLiteral("no tray")));
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    return Bench::runTrivialOrDrive(argc, argv, trivial, drive,
                                    "bench_idle drive --program PATH [--seconds N] [--netns NS]");
}
