// The way datagrams come in (a bounded queue drained in slices) and go out (a station's
// sockets), on loopback ports away from the real chat; and how the host's addresses are watched.
#include "Loopback.h"
#include "Recorders.h"
#include "core/net/AddressWatcher.h"
#include "core/net/DatagramQueue.h"
#include "core/net/OwnAddresses.h"
#include "core/net/UdpTransport.h"
#include "core/protocol/Framing.h"
#include "core/protocol/Station.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QNetworkProxyFactory>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <cctype>
#include <cstring>
#include <numeric>

#ifdef Q_OS_LINUX
#include "core/net/NetlinkMessages.h"

#include <linux/rtnetlink.h>
#include <net/if.h>
#endif

namespace {

// Sender n is 10.0.0.n.
constexpr quint32 SenderZero = 0x0a000000;
constexpr qsizetype Cost = 100 + DatagramQueue::OverheadBytes;

// Datagrams named by their first byte, each of Cost. The name tells the sender: one sends the
// lower-case letters, another the capitals, a third the digits.
std::vector<ReceivedDatagram> datagrams(const QByteArray& names)
{
    std::vector<ReceivedDatagram> result;
    for (const char name : names) {
        const quint32 sender = std::islower(name) ? 1 : std::isupper(name) ? 2 : 3;
        result.push_back({QByteArray(100, name), QHostAddress(SenderZero + sender)});
    }
    return result;
}

// Takes everything out, a batch of two at a time.
QByteArray names(DatagramQueue& queue)
{
    QByteArray result;
    std::deque<ReceivedDatagram> taken;
    for (queue.take(taken, 2); !taken.empty(); queue.take(taken, 2)) {
        for (; !taken.empty(); taken.pop_front())
            result += taken.front().data.front();
    }
    return result;
}

UdpEndpoints loopback(quint16 port)
{
    return {port, QHostAddress(QHostAddress::LocalHost)};
}

// Counts every question put to the system's proxy settings.
struct CountingProxyFactory final : QNetworkProxyFactory {
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery&) override
    {
        ++queries;
        return {QNetworkProxy::NoProxy};
    }
    int queries = 0;
};

#ifdef Q_OS_LINUX
// A route-socket message as the kernel frames it.
template<typename Body> QByteArray netlinkMessage(quint16 type, const Body& body)
{
    QByteArray message(NLMSG_SPACE(sizeof(Body)), '\0');
    const nlmsghdr header{quint32(NLMSG_LENGTH(sizeof(Body))), type, 0, 0, 0};
    std::memcpy(message.data(), &header, sizeof header);
    std::memcpy(message.data() + NLMSG_HDRLEN, &body, sizeof(Body));
    return message;
}
QByteArray address(quint16 type, unsigned char family)
{
    return netlinkMessage(type, ifaddrmsg{family, 24, 0, 0, 2});
}
QByteArray route(quint16 type, unsigned char family)
{
    return netlinkMessage(type, rtmsg{family, 0, 0, 0, RT_TABLE_MAIN, 0, 0, RTN_UNICAST, 0});
}
QByteArray link(quint16 type, int index, unsigned flags)
{
    return netlinkMessage(type, ifinfomsg{AF_UNSPEC, 0, 1, index, flags, 0});
}
#endif

} // namespace

class tst_Sockets final : public QObject {
    Q_OBJECT

private slots:
    // Pushed in batches ("|" between them); each push wakes the consumer only when the queue
    // was empty before ("wakes" has a 1 or 0 per batch).
    void queueTakesTurnsAndDropsFromTheHeaviest_data()
    {
        QTest::addColumn<qsizetype>("capacity");
        QTest::addColumn<QByteArray>("pushed");
        QTest::addColumn<QByteArray>("wakes");
        QTest::addColumn<QByteArray>("taken");
        QTest::addColumn<quint64>("dropped");
        QTest::newRow("in order, woken once")
            << 10 * Cost << QByteArray("ab|c|") << QByteArray("100") << QByteArray("abc")
            << quint64(0);
        QTest::newRow("full: the oldest go") << 3 * Cost << QByteArray("abcde") << QByteArray("1")
                                             << QByteArray("cde") << quint64(2);
        QTest::newRow("turns, each sender in order")
            << 10 * Cost << QByteArray("abA1cB2") << QByteArray("1") << QByteArray("aA1bB2c")
            << quint64(0);
        QTest::newRow("a latecomer is next, not behind a backlog")
            << 10 * Cost << QByteArray("abcd|A") << QByteArray("10") << QByteArray("aAbcd")
            << quint64(0);
        QTest::newRow("full: the heaviest loses its oldest")
            << 4 * Cost << QByteArray("abcAd") << QByteArray("1") << QByteArray("bAcd")
            << quint64(1);
        QTest::newRow("a light sender outlasts a flood")
            << 4 * Cost << QByteArray("abcAdeBfgh") << QByteArray("1") << QByteArray("gAhB")
            << quint64(6);
    }

    void queueTakesTurnsAndDropsFromTheHeaviest()
    {
        QFETCH(qsizetype, capacity);
        QFETCH(QByteArray, pushed);
        DatagramQueue queue(capacity);
        QByteArray wakes;
        for (const QByteArray& batch : pushed.split('|')) {
            auto all = datagrams(batch);
            wakes += queue.push(all) ? '1' : '0';
        }
        QTEST(wakes, "wakes");
        QTEST(queue.dropped(), "dropped");
        QCOMPARE(queue.sizeBytes(),
                 (pushed.size() - pushed.count('|') - qsizetype(queue.dropped())) * Cost);
        QTEST(names(queue), "taken");
        QVERIFY(queue.isEmpty() && queue.sizeBytes() == 0);
    }
    // A large datagram makes room for itself; one larger than the whole queue goes alone.
    void queueTakesALargeDatagramByDroppingOthers()
    {
        DatagramQueue queue(3 * Cost);
        std::vector<ReceivedDatagram> three = datagrams("abc");
        three.push_back(
            {QByteArray(2 * Cost - DatagramQueue::OverheadBytes, 'f'), three[0].sender});
        three.push_back({QByteArray(3 * Cost, 'g'), three[0].sender});
        queue.push(three);
        QCOMPARE(queue.dropped(), 3u);
        QCOMPARE(names(queue), QByteArray("cf"));
    }

    // Many senders flood at different rates while datagrams are taken now and then. The queue
    // keeps exactly what the rule kept applied by hand: the heaviest sender loses its oldest.
    void floodFromManySendersDropsFromTheHeaviest()
    {
        constexpr std::size_t Senders = 100;
        constexpr qsizetype Capacity = 32 * 1024;
        // Each sender's datagrams cost a number of its own, coprime to the others' and larger
        // than any count a sender can hold, so that no two senders ever weigh the same.
        std::vector<qsizetype> costs;
        for (qsizetype n = 1001; costs.size() < Senders; ++n) {
            if (std::all_of(costs.begin(), costs.end(),
                            [n](qsizetype c) { return std::gcd(n, c) == 1; }))
                costs.push_back(n);
        }
        DatagramQueue queue(Capacity);
        std::vector<std::deque<int>> held(Senders); // what each sender has waiting, oldest first
        const auto weight = [&](std::size_t s) { return qsizetype(held[s].size()) * costs[s]; };
        qsizetype total = 0;
        quint64 dropped = 0;
        QRandomGenerator random(1705);
        for (int step = 0; step < 10'000; ++step) {
            const std::size_t sender = random.bounded(1 + random.bounded(quint32(Senders)));
            QByteArray data = QByteArray::number(step);
            data.resize(costs[sender] - DatagramQueue::OverheadBytes, ' ');
            std::vector<ReceivedDatagram> one{{data, QHostAddress(SenderZero + quint32(sender))}};
            queue.push(one);
            held[sender].push_back(step);
            for (total += costs[sender]; total > Capacity; ++dropped) {
                std::size_t heaviest = 0;
                for (std::size_t other = 1; other < Senders; ++other)
                    heaviest = weight(other) > weight(heaviest) ? other : heaviest;
                held[heaviest].pop_front();
                total -= costs[heaviest];
            }
            QCOMPARE(queue.sizeBytes(), total);
            if (step % 2 == 0) {
                std::deque<ReceivedDatagram> taken;
                queue.take(taken, 1);
                const std::size_t from = taken.front().sender.toIPv4Address() - SenderZero;
                QCOMPARE(taken.front().data.trimmed().toInt(), held[from].front());
                held[from].pop_front();
                total -= costs[from];
            }
        }
        QCOMPARE(queue.dropped(), dropped);
        QVERIFY(dropped > 0);
    }

    // However long each datagram keeps the GUI thread, the event loop gets its turn between
    // slices, and the datagrams still come in the order they were sent.
    void slicesYieldToTheEventLoopAndKeepOrder()
    {
        UdpTransport transport(loopback(freeUdpPort()));
        QVERIFY(transport.bind());
        QByteArrayList seen, sent;
        QTimer turns;
        connect(&turns, &QTimer::timeout, this, [&seen] {
            if (seen.isEmpty() || seen.back() != "turn")
                seen << "turn";
        });
        connect(&transport, &UdpTransport::datagramReceived, this, [&seen](const QByteArray& data) {
            seen << data;
            QElapsedTimer busy;
            busy.start();
            while (busy.elapsed() <= UdpTransport::SliceBudget.count()) { }
        });
        qsizetype bytes = 0;
        for (int i = 0; i < 40; ++i) {
            sent << QByteArray::number(i);
            bytes += sent.back().size() + DatagramQueue::OverheadBytes;
            QVERIFY(transport.broadcast(sent.back()));
        }
        // All of them wait before the event loop runs, so every slice has more to hand on.
        for (QDeadlineTimer deadline(5000);
             transport.queuedBytes() < bytes && !deadline.hasExpired();)
            QThread::yieldCurrentThread();
        QCOMPARE(transport.queuedBytes(), bytes);
        turns.start(0);
        QTRY_COMPARE(seen.count() - seen.count("turn"), sent.size());
        for (qsizetype i = 1; i < seen.size(); ++i)
            QVERIFY2(seen[i - 1] == "turn" || seen[i] == "turn", seen[i].constData());
        seen.removeAll("turn");
        QCOMPARE(seen, sent);
    }

    // A second station on a port that is taken is told so and can still send; the first hears it.
    void takenPortIsReportedNotShared()
    {
        RecordingTranscript transcript;
        RecordingNotes notes;
        const auto endpoints = loopback(freeUdpPort());
        Station first(transcript, notes, endpoints), second(transcript, notes, endpoints);
        QVERIFY(first.bindSockets());
        QVERIFY(!second.bindSockets() && !second.isListening());
        QSignalSpy joined(&first.roster(), &Roster::rowsInserted);
        second.setNick(QStringLiteral("druhý"));
        QVERIFY(second.presence().announce());
        QTRY_VERIFY(joined.count() >= 1);
    }

    // What is too large for a packet is not sent at all; an address list is served in order
    // until an address fails.
    void sendingServesTheAddressesInOrderAndNothingOversized()
    {
        const quint16 port = freeUdpPort();
        QUdpSocket listener;
        QVERIFY(listener.bind(QHostAddress::AnyIPv4, port));
        RecordingTranscript transcript;
        RecordingNotes notes;
        Station station(transcript, notes, loopback(port));
        const QString huge(Framing::MaxDataLength, QLatin1Char('x'));
        QVERIFY(!station.sendPacket(Framing::commandData("MSG", {"127.0.0.1", huge})));
        const QByteArray data = Framing::commandData("PING", {"127.0.0.1", "x"});
        QVERIFY(station.sendPacket(data, {"127.0.0.1", "127.0.0.2", "127.0.0.3"}));
        QVERIFY(!station.sendPacket(data, {"127.0.0.4", "not an address", "127.0.0.5"}));
        QStringList reached;
        connect(&listener, &QUdpSocket::readyRead, this, [&] {
            while (listener.hasPendingDatagrams()) {
                const QNetworkDatagram datagram = listener.receiveDatagram();
                if (datagram.data() == *Framing::framePacket(data))
                    reached << datagram.destinationAddress().toString();
            }
        });
        QTRY_COMPARE(reached, (QStringList{"127.0.0.1", "127.0.0.2", "127.0.0.3", "127.0.0.4"}));
    }

    // The addresses are watched, not polled where the system tells of changes, and finding
    // them asks no proxy settings (which wakes a thread that reads the system's service names).
    // Where it tells nothing, the poll comes round.
    void ownAddressesAreWatchedWithoutProxyQuestions()
    {
        OwnAddresses hosts(QHostAddress(QHostAddress::Broadcast), freeUdpPort());
        auto* factory = new CountingProxyFactory;
        QNetworkProxyFactory::setApplicationProxyFactory(factory);
        hosts.watch();
        QVERIFY(!hosts.outgoing().isEmpty());
        QVERIFY(hosts.isOwn(hosts.outgoing()));
        QCOMPARE(factory->queries, 0);
#if defined(Q_OS_LINUX) && !defined(KW_POLL_ADDRESSES)
        QVERIFY(hosts.isNotified());
#endif
        QNetworkProxyFactory::setApplicationProxyFactory(nullptr);
        const auto polling = AddressWatcher::polling(std::chrono::milliseconds(2));
        QSignalSpy polled(polling.get(), &AddressWatcher::changed);
        QVERIFY(!polling->isNotified());
        QTRY_VERIFY(polled.count() >= 2);
    }

#ifdef Q_OS_LINUX
    // Link 2 is known to be up and running before each batch. "again" is the verdict on the
    // same batch once more: a link's state, once told, is no news the second time.
    void routeSocketBatches_data()
    {
        QTest::addColumn<QByteArray>("batch");
        QTest::addColumn<bool>("touches");
        QTest::addColumn<bool>("again");
        const unsigned up = IFF_UP | IFF_RUNNING;
        const auto row = [](const char* name, const QByteArray& batch, bool touches, bool again) {
            QTest::newRow(name) << batch << touches << again;
        };
        row("nothing", {}, false, false);
        row("IPv4 address added", address(RTM_NEWADDR, AF_INET), true, true);
        row("IPv4 address removed", address(RTM_DELADDR, AF_INET), true, true);
        row("IPv6 address only", address(RTM_NEWADDR, AF_INET6), false, false);
        row("IPv4 route removed", route(RTM_DELROUTE, AF_INET), true, true);
        row("IPv6 route only", route(RTM_NEWROUTE, AF_INET6), false, false);
        row("IPv6, then IPv4 in the same read",
            address(RTM_NEWADDR, AF_INET6) + route(RTM_NEWROUTE, AF_INET), true, true);
        row("the link's state repeated", link(RTM_NEWLINK, 2, up | IFF_BROADCAST), false, false);
        row("the link loses its carrier", link(RTM_NEWLINK, 2, IFF_UP), true, false);
        row("a new link", link(RTM_NEWLINK, 3, up), true, false);
        row("the link goes", link(RTM_DELLINK, 2, 0), true, true);
        row("another kind of message", netlinkMessage(RTM_NEWNEIGH, ndmsg{}), false, false);
        row("the kernel's error", netlinkMessage(NLMSG_ERROR, nlmsgerr{}), true, true);
        row("a header cut short", address(RTM_NEWADDR, AF_INET6).left(8), true, true);
        row("a body too short for its kind", netlinkMessage(RTM_NEWADDR, quint16(0)), true, true);
        QByteArray beyond = address(RTM_NEWADDR, AF_INET6);
        beyond[0] = char(beyond.size() + 4);
        row("a length past the end", beyond, true, true);
        QByteArray under = address(RTM_NEWADDR, AF_INET6);
        under[0] = 4;
        row("a length shorter than a header", under, true, true);
        row("a damaged message after a quiet one", link(RTM_NEWLINK, 2, up) + QByteArray(4, '\0'),
            true, true);
    }

    void routeSocketBatches()
    {
        QFETCH(QByteArray, batch);
        NetlinkMessages::LinkStates links{{2, IFF_UP | IFF_RUNNING}};
        QTEST(NetlinkMessages::touchesAddresses(batch, links), "touches");
        QTEST(NetlinkMessages::touchesAddresses(batch, links), "again");
    }
#endif
};

QTEST_GUILESS_MAIN(tst_Sockets)
#include "tst_sockets.moc"
