// A station under floods, against a plain UDP receiver in the same place and the same run:
// three bursts of 10,000 chat lines from 1,000 stations sent back to back as fast as one sender
// can, 2,000 stations answering one refresh, and lines of 30,000 characters. Meanwhile a
// heartbeat timer inside the station measures how long its GUI thread is held up. Last, on
// loopback in the driver itself, how much of a light sender's traffic gets through beside a
// flood.
//
//   bench_receive drive [--sender-netns NS --receiver-netns NS --to ADDRESS
//                        --stations-from ADDRESS] [--rounds N]
//
// The sending stations' addresses must be the sender's own (from 127.1.0.1 on loopback).
// Without namespaces everything runs on loopback. The driver starts the receivers itself
// ("station" and "plain" are this program again) and talks to them by lines on stdin/stdout.
#include "BenchSupport.h"
#include "StationHarness.h"
#include "core/net/UdpTransport.h"
#include "core/protocol/Framing.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace StationHarness;

constexpr int BurstSize = 10'000;
constexpr int Bursts = 3;
constexpr int AnswerCount = 2'000;
// Stations that send the lines, each a share within what one station may write at once.
constexpr int LineStations = 1'000;
constexpr int LongLineCount = 300;
constexpr int LongLineCharacters = 30'000;
// How long the station is watched doing nothing, for the heartbeat's own gaps.
constexpr int QuietMs = 500;
// The receive buffer the station asks for, given to the plain receiver too.
constexpr int ReceiveBufferBytes = 4 * 1024 * 1024;
// The fair share: one sender floods 32 KiB datagrams at 1 Gbit/s into a GUI thread that spends
// 2 ms on each, so the queue stays full, while another sends a small one per 32 of them.
constexpr qsizetype FloodDatagramBytes = 32 * 1024;
constexpr std::chrono::microseconds FloodInterval{262}; // 32 KiB at 1 Gbit/s
constexpr int FloodDatagrams = 4096; // a second of it, eight times what the queue holds
constexpr std::chrono::microseconds FloodHandling{2000};
constexpr int LightEvery = 32;

// ---- the plain receiver: a socket and a loop --------------------------------------------

int runPlain(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &ReceiveBufferBytes, sizeof ReceiveBufferBytes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return 1;
    say("READY");
    std::vector<char> buffer(65536);
    qint64 count = 0;
    bool sent = false;
    QElapsedTimer activity;
    activity.start();
    QByteArray commands;
    for (;;) {
        pollfd ready[2] = {{fd, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        ::poll(ready, 2, 50);
        if (ready[0].revents & POLLIN) {
            while (::recv(fd, buffer.data(), buffer.size(), MSG_DONTWAIT) >= 0)
                ++count;
            activity.start();
        }
        if (ready[1].revents & (POLLIN | POLLHUP)) {
            char chunk[256];
            const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
            if (got <= 0)
                return 0;
            commands.append(chunk, got);
            if (commands.contains("quit\n"))
                return 0;
            sent = sent || commands.contains("sent\n");
        }
        if (sent && activity.elapsed() >= IdleMs) {
            say("REPORT handled=" + QByteArray::number(count));
            sent = false;
        }
    }
}

// ---- the driver -----------------------------------------------------------------------------

// A datagram and the station it comes from.
struct Outgoing {
    QByteArray data;
    QHostAddress from;
};

// The addresses the sending stations speak from, one after the other from the first: the
// sending machine's own, loopback's or a block that bench/run.sh routes to its loopback.
struct Stations {
    QHostAddress first;
    QHostAddress at(int i) const { return QHostAddress(first.toIPv4Address() + quint32(i)); }
};

class Sender {
    Q_DISABLE_COPY_MOVE(Sender)

public:
    // From any address of the machine unless from names one.
    Sender(const QHostAddress& to, quint16 port, const QHostAddress& from = {})
        : m_fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0))
    {
        m_to.sin_family = AF_INET;
        m_to.sin_port = htons(port);
        m_to.sin_addr.s_addr = htonl(to.toIPv4Address());
        if (!from.isNull()) {
            sockaddr_in local{};
            local.sin_family = AF_INET;
            local.sin_addr.s_addr = htonl(from.toIPv4Address());
            ::bind(m_fd, reinterpret_cast<const sockaddr*>(&local), sizeof local);
        }
    }
    ~Sender() { ::close(m_fd); }
    void send(const QByteArray& datagram) const
    {
        ::sendto(m_fd, datagram.constData(), std::size_t(datagram.size()), 0,
                 reinterpret_cast<const sockaddr*>(&m_to), sizeof m_to);
    }
    // From an address of this machine's of the datagram's own, as many stations send.
    void send(const Outgoing& datagram) const
    {
        iovec data{const_cast<char*>(datagram.data.constData()), std::size_t(datagram.data.size())};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
        msghdr message{};
        message.msg_name = const_cast<sockaddr_in*>(&m_to);
        message.msg_namelen = sizeof m_to;
        message.msg_iov = &data;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr* header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = IPPROTO_IP;
        header->cmsg_type = IP_PKTINFO;
        header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        in_pktinfo from{};
        from.ipi_spec_dst.s_addr = htonl(datagram.from.toIPv4Address());
        std::memcpy(CMSG_DATA(header), &from, sizeof from);
        ::sendmsg(m_fd, &message, 0);
    }
    // As fast as the socket takes them, one system call each.
    void send(const std::vector<Outgoing>& datagrams) const
    {
        for (const Outgoing& d : datagrams)
            send(d);
    }

private:
    int m_fd;
    sockaddr_in m_to{};
};

enum class Load { Chat, Answers, LongLines };

// Each line from the next station in turn, numbered across all of them.
std::vector<Outgoing> datagramsOf(Load load, const Stations& stations)
{
    std::vector<Outgoing> datagrams;
    const auto line = [&stations](int sequence, const QString& text) {
        const QHostAddress from = stations.at(sequence % LineStations);
        return Outgoing{
            datagram("MSG", {from.toString(),
                             QStringLiteral("%1 ").arg(sequence, 6, 10, QLatin1Char('0')) + text}),
            from};
    };
    switch (load) {
    case Load::Chat:
        for (int i = 0; i < Bursts * BurstSize; ++i)
            datagrams.push_back(line(i, QStringLiteral("ahoj, tohle je zpráva z velké dávky")));
        break;
    case Load::Answers:
        for (int i = 0; i < AnswerCount; ++i)
            datagrams.push_back(
                {datagram("PTOING", {stations.at(i).toString(), QStringLiteral("stanice%1").arg(i),
                                     QStringLiteral("user")}),
                 stations.at(i)});
        break;
    case Load::LongLines:
        for (int i = 0; i < LongLineCount; ++i)
            datagrams.push_back(
                line(i, QStringLiteral("dlouhé ").repeated(LongLineCharacters / 7)));
        break;
    }
    return datagrams;
}

// Lines are shown only from stations on the list: each announces itself first.
std::vector<Outgoing> logonsOf(const Stations& stations)
{
    std::vector<Outgoing> logons;
    for (int i = 0; i < LineStations; ++i)
        logons.push_back(
            {datagram("LOGON", {stations.at(i).toString(), WatchedNick + QString::number(i),
                                QStringLiteral("user")}),
             stations.at(i)});
    return logons;
}

struct Outcome {
    QHash<QByteArray, double> report; // handled, ordered, roster, gap, busy
    QHash<QByteArray, double> quiet; // the heartbeat before the flood: gap, busy
    qint64 kernelDrops = 0; // RcvbufErrors of the receiver's namespace meanwhile
};

struct Setup {
    const Bench::Netns& receiverNetns;
    QHostAddress to;
    quint16 port;
    QHostAddress stationBroadcast;
    Stations senders;
};

Outcome receive(const Setup& setup, bool station, Load load)
{
    const QStringList args =
        station ? QStringList{QStringLiteral("station"), QString::number(setup.port),
                              setup.stationBroadcast.toString()}
                : QStringList{QStringLiteral("plain"), QString::number(setup.port)};
    Receiver receiver(setup.receiverNetns, args);
    if (receiver.waitFor("READY").isEmpty()) {
        Bench::note(QStringLiteral("  the %1 did not start").arg(args.front()));
        return {};
    }
    const Sender sender(setup.to, setup.port);
    const std::vector<Outgoing> datagrams = datagramsOf(load, setup.senders);
    Outcome outcome;
    if (station) {
        if (load == Load::Answers) {
            receiver.send("refresh");
            receiver.waitFor("REFRESHED");
        } else {
            sender.send(logonsOf(setup.senders));
            receiver.send("listed " + QByteArray::number(LineStations + 1));
            receiver.waitFor("LISTED");
        }
        receiver.send("mark");
        receiver.waitFor("MARKED");
        QThread::msleep(QuietMs);
        receiver.send("mark");
        outcome.quiet = valuesOf(receiver.waitFor("MARKED"));
    }
    const qint64 dropsBefore = receiver.rcvbufErrors();
    sender.send(datagrams);
    receiver.send("sent");
    outcome.report = valuesOf(receiver.waitFor("REPORT", 300'000));
    outcome.kernelDrops = receiver.rcvbufErrors() - dropsBefore;
    return outcome;
}

// What the rounds add up to, per load and receiver.
struct Totals {
    double handled = 0;
    double roster = 0;
    double fewestRoster = 1e9;
    bool ordered = true;
    qint64 kernelDrops = 0;
    double gap = 0, busy = 0, quietGap = 0, quietBusy = 0;

    void add(const Outcome& outcome)
    {
        const auto& r = outcome.report;
        handled += r.value("handled");
        roster += r.value("roster");
        fewestRoster = qMin(fewestRoster, r.value("roster"));
        ordered = ordered && r.value("ordered") == 1;
        kernelDrops += outcome.kernelDrops;
        gap = qMax(gap, r.value("gap"));
        busy = qMax(busy, r.value("busy"));
        quietGap = qMax(quietGap, outcome.quiet.value("gap"));
        quietBusy = qMax(quietBusy, outcome.quiet.value("busy"));
    }
};

struct FairShare {
    int lightSent = 0;
    int lightHandled = 0;
    quint64 queueDrops = 0;
    qint64 kernelDrops = 0;
};

// A station's receive path alone, on loopback: the flood from one address, the light sender
// from another, both sent from one thread beside the GUI thread.
FairShare floodBesideALightSender()
{
    const QHostAddress flooder(QStringLiteral("127.0.0.1"));
    const QHostAddress light(QStringLiteral("127.0.0.2"));
    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    UdpTransport transport({probe.localPort(), QHostAddress::LocalHost});
    probe.close();
    if (!transport.bind())
        return {};
    FairShare share;
    QElapsedTimer activity;
    activity.start();
    QObject::connect(&transport, &UdpTransport::datagramReceived, &transport,
                     [&](const QByteArray&, const QHostAddress& sender) {
                         activity.start();
                         if (sender == light) {
                             ++share.lightHandled;
                             return;
                         }
                         const auto handled = std::chrono::steady_clock::now() + FloodHandling;
                         while (std::chrono::steady_clock::now() < handled) { }
                     });
    const qint64 dropsBefore = rcvbufErrorsSeenBy(QCoreApplication::applicationPid());
    std::atomic<bool> sent = false;
    std::thread sending([&] {
        const quint16 port = transport.endpoints().port;
        const Sender flood(QHostAddress::LocalHost, port, flooder);
        const Sender other(QHostAddress::LocalHost, port, light);
        const QByteArray large(FloodDatagramBytes, 'x');
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < FloodDatagrams; ++i) {
            std::this_thread::sleep_until(start + i * FloodInterval);
            flood.send(large);
            if (i % LightEvery == 0) {
                other.send("light");
                ++share.lightSent;
            }
        }
        sent = true;
    });
    QEventLoop loop;
    QTimer idleCheck;
    QObject::connect(&idleCheck, &QTimer::timeout, &loop, [&] {
        if (sent && activity.elapsed() >= IdleMs)
            loop.quit();
    });
    idleCheck.start(50);
    loop.exec();
    sending.join();
    share.queueDrops = transport.droppedDatagrams();
    share.kernelDrops = rcvbufErrorsSeenBy(QCoreApplication::applicationPid()) - dropsBefore;
    return share;
}

void printStall(const QString& load, const Totals& station)
{
    Bench::limit(QStringLiteral("GUI thread held up by %1, longest heartbeat gap").arg(load),
                 station.gap, 100, QStringLiteral("ms"));
    Bench::limit(QStringLiteral("  the same in the GUI thread's processor time"), station.busy, 100,
                 QStringLiteral("ms"));
    Bench::note(QStringLiteral("    (the same station left alone for %1 ms: gap %2 ms, processor "
                               "time %3 ms; heartbeat every 10 ms)")
                    .arg(QuietMs)
                    .arg(station.quietGap, 0, 'f', 1)
                    .arg(station.quietBusy, 0, 'f', 1));
}

int drive(const QStringList& args)
{
    const auto option = [&args](const char* name) { return Bench::option(args, name); };
    const Bench::Netns senderNetns(option("--sender-netns"));
    const Bench::Netns receiverNetns(option("--receiver-netns"));
    if (!senderNetns.isValid() || !receiverNetns.isValid() || !senderNetns.enter()) {
        std::fprintf(stderr, "bench_receive: cannot use the namespaces given\n");
        return 1;
    }
    const bool namespaces = !receiverNetns.name().isEmpty();
    const int rounds = qMax(1, option("--rounds").toInt());
    quint16 port = 1705;
    if (!namespaces) {
        // Loopback: a port of its own, so a running station does not take the flood.
        QUdpSocket probe;
        probe.bind(QHostAddress::LocalHost, 0);
        port = probe.localPort();
    }
    // Without a block of addresses given, the stations speak from loopback's.
    const QString first = option("--stations-from");
    const Setup setup{receiverNetns,
                      namespaces ? QHostAddress(option("--to")) : QHostAddress::LocalHost,
                      port,
                      namespaces ? QHostAddress::Broadcast : QHostAddress::LocalHost,
                      {QHostAddress(first.isEmpty() ? QStringLiteral("127.1.0.1") : first)}};

    Totals plain[3], station[3];
    for (int round = 0; round < rounds; ++round) {
        // Each receiver in turn, so both meet the same machine.
        for (const Load load : {Load::Chat, Load::Answers, Load::LongLines}) {
            plain[int(load)].add(receive(setup, false, load));
            station[int(load)].add(receive(setup, true, load));
        }
    }

    const Totals& chatPlain = plain[int(Load::Chat)];
    const Totals& chat = station[int(Load::Chat)];
    Bench::note(
        QStringLiteral("receive path (%1; %2 rounds of %3 x %L4 chat lines from %L5 stations "
                       "sent as fast as one sender can, %L6 in all):")
            .arg(namespaces ? QStringLiteral("two network namespaces") : QStringLiteral("loopback"))
            .arg(rounds)
            .arg(Bursts)
            .arg(BurstSize)
            .arg(LineStations)
            .arg(rounds * Bursts * BurstSize));
    Bench::figure(QStringLiteral("chat lines shown by the station / got by a plain receiver"),
                  chat.handled, chatPlain.handled, QStringLiteral("lines"),
                  QStringLiteral(">= 0.95"));
    Bench::note(
        QStringLiteral("    each station's lines shown in order: %1; kernel drops (RcvbufErrors): "
                       "station %2, plain receiver %3")
            .arg(chat.ordered ? "yes" : "NO")
            .arg(chat.kernelDrops)
            .arg(chatPlain.kernelDrops));
    printStall(QStringLiteral("the chat lines"), chat);

    const Totals& longPlain = plain[int(Load::LongLines)];
    const Totals& longLines = station[int(Load::LongLines)];
    Bench::figure(QStringLiteral("lines of %L1 characters shown / got by a plain receiver")
                      .arg(LongLineCharacters),
                  longLines.handled, longPlain.handled, QStringLiteral("lines"),
                  QStringLiteral(">= 0.95"));
    printStall(QStringLiteral("%1 such lines").arg(LongLineCount), longLines);

    const Totals& answersPlain = plain[int(Load::Answers)];
    const Totals& answers = station[int(Load::Answers)];
    Bench::note(QStringLiteral("roster at %L1 (%L1 answers to one refresh, %2 rounds):")
                    .arg(AnswerCount)
                    .arg(rounds));
    Bench::figure(QStringLiteral("roster entries, fewest in a round / own + %L1").arg(AnswerCount),
                  answers.fewestRoster, AnswerCount + 1, QStringLiteral("entries"),
                  QStringLiteral("= 1"));
    // The station lists its own entry beside the answers.
    Bench::figure(QStringLiteral("answers listed by the station / got by a plain receiver"),
                  answers.roster - rounds, answersPlain.handled, QStringLiteral("answers"),
                  QStringLiteral(">= 0.95"));
    printStall(QStringLiteral("the answers"), answers);

    const FairShare share = floodBesideALightSender();
    Bench::note(QStringLiteral("fair share (loopback, in this process): one sender floods %1 "
                               "KiB datagrams at 1 Gbit/s into a GUI thread that takes %2 ms "
                               "for each, another sends a small one per %3 of them:")
                    .arg(FloodDatagramBytes / 1024)
                    .arg(double(FloodHandling.count()) / 1000)
                    .arg(LightEvery));
    Bench::figure(QStringLiteral("the light sender's datagrams handled / sent"), share.lightHandled,
                  share.lightSent, QStringLiteral("datagrams"), QStringLiteral("= 1"));
    Bench::note(QStringLiteral("    datagrams the queue dropped %L1 (the flood sent %L2); kernel "
                               "drops (RcvbufErrors) %3")
                    .arg(share.queueDrops)
                    .arg(FloodDatagrams)
                    .arg(share.kernelDrops));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (const std::optional<int> code = runIfStation(argc, argv))
        return *code;
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == QLatin1String("plain") && argc > 2)
        return runPlain(quint16(QByteArray(argv[2]).toUInt()));
    if (mode == QLatin1String("drive")) {
        QCoreApplication app(argc, argv);
        return drive(app.arguments().mid(2));
    }
    std::fprintf(stderr, "usage: bench_receive drive [--sender-netns NS --receiver-netns NS "
                         "--to ADDRESS --stations-from ADDRESS] [--rounds N]\n");
    return 2;
}
