// A station beside another that floods the LAN with 32 KB lines as fast as a gigabit link carries
// them, for minutes, while a normal peer chats five lines a second and a third station PINGs it:
// how many of the peer's lines are shown, how long a PING waits for its answer, how long the GUI
// thread is held up, and whether the station's memory levels off.
//
//   bench_flood drive --netns-prefix PREFIX --to ADDRESS [--seconds N]
//
// PREFIX-1 holds the station (at ADDRESS), PREFIX-2 the flood, PREFIX-3 the peer and PREFIX-4
// the pinger, each a namespace of its own (tests/netns/netns.sh up PREFIX 4); root only.
#include "BenchSupport.h"
#include "PingWatch.h"
#include "StationHarness.h"
#include "UdpFlood.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QRegularExpression>
#include <QTimer>
#include <QUdpSocket>

#include <cstdio>
#include <optional>

namespace {

using namespace StationHarness;

constexpr quint16 Port = 1705;
constexpr qint64 GigabitPerSecond = 1'000'000'000;
constexpr int FloodLineCharacters = 32'000;
constexpr int PeerLineMs = 200;
constexpr int WatchMs = 250;
// Memory at this point and at two thirds of the flood is compared with the end: the transcript
// keeps the lines it is allowed to show until its bounds are reached, minutes into the flood,
// and memory levels off from there.
constexpr qint64 EarlyMs = 60'000;
constexpr double MiB = 1024 * 1024;

double residentMiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    static const QRegularExpression rss(QStringLiteral("VmRSS:\\s+(\\d+) kB"));
    return rss.match(QString::fromLatin1(status.readAll())).captured(1).toDouble() * 1024 / MiB;
}

struct Lab {
    explicit Lab(const QString& prefix)
        : station(prefix + QStringLiteral("-1"))
        , flooder(prefix + QStringLiteral("-2"))
        , peer(prefix + QStringLiteral("-3"))
        , pinger(prefix + QStringLiteral("-4"))
    {
    }
    bool isValid() const
    {
        return !station.name().isEmpty() && station.isValid() && flooder.isValid() &&
               peer.isValid() && pinger.isValid();
    }
    Bench::Netns station, flooder, peer, pinger;
};

int drive(const QStringList& args)
{
    const Lab lab(Bench::option(args, "--netns-prefix"));
    const QHostAddress to(Bench::option(args, "--to"));
    const qint64 floodMs =
        1000 * qMax(EarlyMs / 1000, Bench::option(args, "--seconds").toLongLong());
    QUdpSocket peer, pingerSocket;
    int floodSocket = -1;
    if (!lab.isValid() || to.isNull() ||
        !lab.peer.run([&] { peer.bind(QHostAddress::AnyIPv4, 0); }) ||
        !lab.pinger.run([&] { pingerSocket.bind(QHostAddress::AnyIPv4, Port); }) ||
        !lab.flooder.run([&] { floodSocket = ::socket(AF_INET, SOCK_DGRAM, 0); })) {
        std::fprintf(stderr, "bench_flood: cannot use the namespaces given\n");
        return 1;
    }
    Receiver station(lab.station,
                     {QStringLiteral("station"), QString::number(Port), "255.255.255.255"});
    if (station.waitFor("READY").isEmpty()) {
        Bench::note(QStringLiteral("  the station did not start"));
        return 1;
    }
    const auto send = [&](QUdpSocket& socket, const char* word, const QStringList& fields) {
        socket.writeDatagram(datagram(word, fields), to, Port);
    };
    // The peer names an address of its own choosing; it speaks for it from its own.
    const QString peerAddress = QStringLiteral("10.99.0.1");
    send(peer, "LOGON", {peerAddress, WatchedNick, QStringLiteral("user")});
    station.send("listed 2");
    station.waitFor("LISTED");
    station.send("mark");
    station.waitFor("MARKED");
    const double startMiB = residentMiB(station.processId());

    std::optional<UdpFlood> flood;
    const QByteArray floodLine =
        datagram("ALERT", {QStringLiteral("10.99.0.3"), QStringLiteral("flood"),
                           QString(FloodLineCharacters, QLatin1Char('x'))});
    flood.emplace(floodSocket, to, Port, floodLine, GigabitPerSecond, floodLine.size() / 2);
    PingWatch pings(pingerSocket, to, Port);
    int said = 0;
    double earlyMiB = 0, lateMiB = 0, largestMiB = 0;
    QElapsedTimer flooding;
    flooding.start();
    QEventLoop loop;
    QTimer chat, watch;
    QObject::connect(&chat, &QTimer::timeout, &loop, [&] {
        send(peer, "MSG",
             {peerAddress, QStringLiteral("%1 radek").arg(said++, 6, 10, QLatin1Char('0'))});
    });
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        pings.ping();
        const double now = residentMiB(station.processId());
        largestMiB = qMax(largestMiB, now);
        if (earlyMiB == 0 && flooding.elapsed() >= EarlyMs)
            earlyMiB = now;
        if (lateMiB == 0 && flooding.elapsed() >= floodMs * 2 / 3)
            lateMiB = now;
        if (flooding.elapsed() >= floodMs)
            loop.quit();
    });
    chat.start(PeerLineMs);
    watch.start(WatchMs);
    loop.exec();
    const double endMiB = residentMiB(station.processId());
    const quint64 flooded = flood->sent();
    flood.reset();
    chat.stop();
    watch.stop();
    // The last PING's answer is taken before anything else can hold this thread up.
    QEventLoop lastAnswer;
    QTimer answered;
    QObject::connect(&answered, &QTimer::timeout, &lastAnswer, [&] {
        if (pings.answered() == pings.sent() || flooding.elapsed() >= floodMs + 1000)
            lastAnswer.quit();
    });
    answered.start(10);
    lastAnswer.exec();
    const qint64 longestPingMs = pings.longestMs();
    station.send("sent");
    const QHash<QByteArray, double> report = valuesOf(station.waitFor("REPORT", 300'000));

    Bench::note(QStringLiteral("flood of %L1-character lines from one station at 1 Gbit/s for %2 s "
                               "(%L3 datagrams), a peer saying a line every %4 ms:")
                    .arg(FloodLineCharacters)
                    .arg(floodMs / 1000)
                    .arg(flooded)
                    .arg(PeerLineMs));
    Bench::figure(QStringLiteral("the peer's lines shown / sent"), report.value("handled"), said,
                  QStringLiteral("lines"), QStringLiteral("= 1"));
    Bench::limit(QStringLiteral("longest wait for a PING's answer (%1 PINGs)").arg(pings.sent()),
                 longestPingMs, 1000, QStringLiteral("ms"));
    Bench::limit(QStringLiteral("GUI thread held up, longest heartbeat gap"), report.value("gap"),
                 100, QStringLiteral("ms"));
    Bench::figure(
        QStringLiteral("RSS after %1 s / after %2 s").arg(floodMs / 1000).arg(EarlyMs / 1000),
        endMiB, earlyMiB, QStringLiteral("MiB"), QStringLiteral("<= 1.10"));
    Bench::figure(
        QStringLiteral("RSS after %1 s / after %2 s").arg(floodMs / 1000).arg(floodMs * 2 / 3000),
        endMiB, lateMiB, QStringLiteral("MiB"), QStringLiteral("<= 1.10"));
    Bench::limit(
        QStringLiteral("largest RSS during the flood (%1 MiB at start)").arg(startMiB, 0, 'f', 1),
        largestMiB, 512, QStringLiteral("MiB"));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (const std::optional<int> code = runIfStation(argc, argv))
        return *code;
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == QLatin1String("drive")) {
        QCoreApplication app(argc, argv);
        return drive(app.arguments().mid(2));
    }
    std::fprintf(stderr,
                 "usage: bench_flood drive --netns-prefix PREFIX --to ADDRESS [--seconds N]\n");
    return 2;
}
