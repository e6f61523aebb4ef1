// Start-up to the first LOGON on the wire, against a trivial Qt widgets program that shows a
// window with a line of text and sends one datagram, both started the same way in the same run.
//
//   bench_startup drive --program PATH [--listen-netns NS --start-netns NS] [--runs N]
//   bench_startup trivial
#include "BenchSupport.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>

#include <cstdio>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr quint16 ChatPort = 1705;
constexpr int TimeoutMs = 20'000;

// Hello world with widgets: a window with a line of text in it.
int trivial(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("Kestrowind"));
    window.show();
    QUdpSocket socket;
    socket.writeDatagram("TRIVIAL", QHostAddress::Broadcast, ChatPort);
    QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return app.exec();
}

// A socket on the chat port that may share it, so a station started beside it still starts.
int listenOnChatPort()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(ChatPort);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// A nick of this run's own, so a LOGON from some other station on the port is not taken for
// the one measured.
QByteArray stationNick()
{
    return "bench" + QByteArray::number(QCoreApplication::applicationPid());
}

// Milliseconds from the start of the program until a datagram holding marker arrives.
std::optional<double> timeToDatagram(int listener, const Bench::Netns& netns,
                                     const QString& program, const QStringList& args,
                                     const QByteArray& marker, bool isStation)
{
    QTemporaryDir home;
    QFile::setPermissions(home.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir(home.path()).mkdir(QStringLiteral("config"));
    if (isStation) {
        // A returning user: no first-run greeting waits for a click.
        QFile settings(home.filePath(QStringLiteral("config/kestrowind2.ini")));
        if (!settings.open(QIODevice::WriteOnly))
            return std::nullopt;
        settings.write("[options]\nfirst=true\nnick=" + stationNick() + "\n");
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    netns.startInside(process);
    char buffer[65536];
    while (::recv(listener, buffer, sizeof buffer, 0) >= 0) { }
    const Bench::Stopwatch clock;
    process.start(program, args);
    std::optional<double> millis;
    while (!millis && clock.wallMs() < TimeoutMs) {
        pollfd ready{listener, POLLIN, 0};
        if (::poll(&ready, 1, 100) <= 0)
            continue;
        const ssize_t got = ::recv(listener, buffer, sizeof buffer, 0);
        if (got > 0 && QByteArray::fromRawData(buffer, got).contains(marker))
            millis = clock.wallMs();
    }
    process.terminate();
    if (!process.waitForFinished(5000))
        process.kill();
    process.waitForFinished();
    return millis;
}

int drive(const QStringList& args)
{
    const auto option = [&args](const char* name) { return Bench::option(args, name); };
    const Bench::Netns listenNetns(option("--listen-netns"));
    const Bench::Netns startNetns(option("--start-netns"));
    const QString program = option("--program");
    const int runs = qMax(1, option("--runs").toInt());
    if (!listenNetns.isValid() || !startNetns.isValid() || !listenNetns.enter()) {
        std::fprintf(stderr, "bench_startup: cannot use the namespaces given\n");
        return 1;
    }
    const int listener = listenOnChatPort();
    if (listener < 0) {
        Bench::note(QStringLiteral("start-up: port %1 is taken here; not measured").arg(ChatPort));
        return 0;
    }
    QList<double> station, baseline;
    for (int run = 0; run < runs; ++run) {
        const auto trivialMs =
            timeToDatagram(listener, startNetns, QCoreApplication::applicationFilePath(),
                           {QStringLiteral("trivial")}, "TRIVIAL", false);
        const auto stationMs = timeToDatagram(listener, startNetns, program, {},
                                              '\x0B' + stationNick() + '\x0B', true);
        if (!trivialMs || !stationMs) {
            Bench::note(QStringLiteral("start-up: no datagram arrived (no route for broadcasts "
                                       "here?); not measured"));
            return 0;
        }
        baseline << *trivialMs;
        station << *stationMs;
    }
    ::close(listener);
    Bench::note(
        QStringLiteral("start-up (wall time from start to the datagram, median of %1):").arg(runs));
    Bench::figure(QStringLiteral("first LOGON on the wire / a trivial Qt program's datagram"),
                  Bench::median(station), Bench::median(baseline), QStringLiteral("ms"),
                  QStringLiteral("<= 2"));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    return Bench::runTrivialOrDrive(
        argc, argv, trivial, drive,
        "bench_startup drive --program PATH [--listen-netns NS --start-netns NS] [--runs N]");
}
