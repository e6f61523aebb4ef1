// Datagrams in (a bounded, fair queue drained in slices) and out, and the host's addresses.
#include "Loopback.h"
#include "Recorders.h"
#include "core/net/AddressWatcher.h"
#include "core/net/DuplicateFilter.h"
#include "core/net/OwnAddresses.h"
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

#include <numeric>

#ifdef Q_OS_LINUX
#include "core/net/NetlinkMessages.h"

#include <linux/rtnetlink.h>
#include <net/if.h>
#endif

namespace {
constexpr quint32 SenderZero = 0x0a000000; // sender n is 10.0.0.n
constexpr qsizetype Cost = 100 + DatagramQueue::OverheadBytes;

// Lower case from sender 1, capitals 2, digits 3; "+" costs twice, "#" more than any queue.
std::vector<ReceivedDatagram> datagrams(const QByteArray& names)
{
    std::vector<ReceivedDatagram> result;
    for (const char name : names) {
        const quint32 sender = std::isupper(name) ? 2 : std::isdigit(name) ? 3 : 1;
        const qsizetype size = name == '+'   ? 2 * Cost - DatagramQueue::OverheadBytes
                               : name == '#' ? 10 * Cost
                                             : 100;
        result.push_back({QByteArray(size, name), QHostAddress(SenderZero + sender)});
    }
    return result;
}

QByteArray names(DatagramQueue& queue)
{
    QByteArray result;
    std::deque<ReceivedDatagram> taken;
    for (queue.take(taken, 2); !taken.empty(); queue.take(taken, 2))
        for (; !taken.empty(); taken.pop_front())
            result += taken.front().data.front();
    return result;
}

#ifdef Q_OS_LINUX
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
QByteArray link(quint16 type, int index, unsigned flags)
{
    return netlinkMessage(type, ifinfomsg{AF_UNSPEC, 0, 1, index, flags, 0});
}
#endif
} // namespace

class tst_Sockets final : public QObject {
    Q_OBJECT

private slots:
    // Batches split by "|"; a push wakes the consumer only when the queue was empty.
    void queueTakesTurnsAndDropsFromTheHeaviest_data()
    {
        QTest::addColumn<qsizetype>("capacity");
        QTest::addColumn<QByteArray>("pushed");
        QTest::addColumn<QByteArray>("wakes");
        QTest::addColumn<QByteArray>("taken");
        QTest::addColumn<quint64>("dropped");
        const auto row = [](const char* name, qsizetype capacity, const char* pushed,
                            const char* wakes, const char* taken, quint64 dropped) {
            QTest::newRow(name) << capacity * Cost << QByteArray(pushed) << QByteArray(wakes)
                                << QByteArray(taken) << dropped;
        };
        row("nothing to push", 10, "", "0", "", 0);
        row("in order, woken once", 10, "ab|c|", "100", "abc", 0);
        row("full: the oldest go", 3, "abcde", "1", "cde", 2);
        row("a dear one makes room, one too dear goes alone", 3, "abc+#", "1", "c+", 3);
        row("turns, each sender in order", 10, "abA1cB2", "1", "aA1bB2c", 0);
        row("a latecomer is next, not behind a backlog", 10, "abcd|A", "10", "aAbcd", 0);
        row("full: the heaviest loses its oldest", 4, "abcAd", "1", "bAcd", 1);
        row("a light sender outlasts a flood", 4, "abcAdeBfgh", "1", "gAhB", 6);
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
        QVERIFY(queue.sizeBytes() <= capacity);
        QTEST(names(queue), "taken");
        QVERIFY(queue.isEmpty() && queue.sizeBytes() == 0);
    }

    // Many senders flood; the queue keeps what the rule applied by hand keeps (coprime costs).
    void floodFromManySendersDropsFromTheHeaviest()
    {
        constexpr std::size_t Senders = 100;
        constexpr qsizetype Capacity = 32 * 1024;
        std::vector<qsizetype> costs;
        for (qsizetype n = 1001; costs.size() < Senders; ++n)
            if (std::all_of(costs.begin(), costs.end(),
                            [n](auto c) { return std::gcd(n, c) == 1; }))
                costs.push_back(n);
        DatagramQueue queue(Capacity);
        std::vector<std::deque<int>> held(Senders); // oldest first
        const auto weight = [&](std::size_t s) { return qsizetype(held[s].size()) * costs[s]; };
        qsizetype total = 0;
        quint64 dropped = 0;
        QRandomGenerator random(1705);
        const auto forget = [&](std::size_t s) { held[s].pop_front(), total -= costs[s]; };
        for (int step = 0; step < 10'000; ++step) {
            const std::size_t sender = random.bounded(1 + random.bounded(quint32(Senders)));
            QByteArray data = QByteArray::number(step);
            data.resize(costs[sender] - DatagramQueue::OverheadBytes, ' ');
            std::vector<ReceivedDatagram> one{{data, QHostAddress(SenderZero + quint32(sender))}};
            queue.push(one);
            held[sender].push_back(step);
            for (total += costs[sender]; total > Capacity; ++dropped) {
                std::size_t heaviest = 0;
                for (std::size_t s = 1; s < Senders; ++s)
                    heaviest = weight(s) > weight(heaviest) ? s : heaviest;
                forget(heaviest);
            }
            QCOMPARE(queue.sizeBytes(), total);
            if (step % 2 == 0) {
                std::deque<ReceivedDatagram> taken;
                queue.take(taken, 1);
                const std::size_t from = taken.front().sender.toIPv4Address() - SenderZero;
                QCOMPARE(taken.front().data.trimmed().toInt(), held[from].front());
                forget(from);
            }
        }
        QCOMPARE(queue.dropped(), dropped);
        QVERIFY(dropped > 0);
    }

    // However slow each datagram, the event loop gets turns between slices; order is kept.
    void slicesYieldToTheEventLoopAndKeepOrder()
    {
        UdpTransport transport({freeUdpPort(), QHostAddress(QHostAddress::LocalHost)});
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

    // A station on a taken port still sends, to a list in order until one fails. A broadcast
    // goes to the extra addresses too, in their order; a list does not.
    void aStationOnATakenPortStillSends()
    {
        const quint16 port = freeUdpPort();
        QUdpSocket listener;
        QVERIFY(listener.bind(QHostAddress::AnyIPv4, port, QUdpSocket::DontShareAddress));
        RecordingTranscript transcript;
        RecordingNotes notes;
        Station station(transcript, notes, {port, QHostAddress(QHostAddress::LocalHost)});
        QVERIFY(!station.bindSockets() && !station.isListening());
        station.setExtraAddresses({"127.0.0.9", "127.0.0.8"});
        const QString huge(Framing::MaxDataLength, QLatin1Char('x'));
        QVERIFY(!station.sendPacket(Framing::commandData("MSG", {"127.0.0.1", huge})));
        const QByteArray data = Framing::commandData("PING", {"127.0.0.1", "x"});
        QVERIFY(station.sendPacket(data, {"127.0.0.1", "127.0.0.2", "127.0.0.3"}));
        QVERIFY(!station.sendPacket(data, {"127.0.0.4", "not an address", "127.0.0.5"}));
        QVERIFY(station.sendPacket(data));
        QStringList reached;
        connect(&listener, &QUdpSocket::readyRead, this, [&] {
            while (listener.hasPendingDatagrams()) {
                const QNetworkDatagram datagram = listener.receiveDatagram();
                if (datagram.data() == *Framing::framePacket(data))
                    reached << datagram.destinationAddress().toString();
            }
        });
        QTRY_COMPARE(reached, (QStringList{"127.0.0.1", "127.0.0.2", "127.0.0.3", "127.0.0.4",
                                           "127.0.0.1", "127.0.0.9", "127.0.0.8"}));
    }

    // A copy of what a source sent within the last second is dropped, counted from the first
    // copy; sources and datagrams beyond the bounds are forgotten, oldest first.
    void copiesWithinASecondAreDropped()
    {
        DuplicateFilter filter;
        // Source 1 or 2, datagram, time, admitted.
        const std::tuple<int, const char*, qint64, bool> steps[] = {
            {1, "MSG a", 0, true},     {1, "MSG a", 3, false},   {2, "MSG a", 4, true},
            {1, "MSG a!", 5, true},    {1, "MSG a", 999, false}, {1, "MSG a", 1000, true},
            {1, "MSG a", 1500, false}, {1, "MSG a", 3000, true}, {1, "", 3000, true},
            {1, "", 3001, false}};
        for (const auto& [source, datagram, at, admitted] : steps)
            QVERIFY2(filter.admit(QString::number(source), datagram, at) == admitted,
                     qPrintable(QStringLiteral("%1 at %2").arg(datagram).arg(at)));
        for (int i = 0; i <= DuplicateFilter::RecentPerSource; ++i)
            QVERIFY(filter.admit("10.0.0.3", QByteArray::number(i), 5000));
        QVERIFY(filter.admit("10.0.0.3", "0", 5000)); // pushed out by the newer ones
        QVERIFY(!filter.admit("10.0.0.3", "2", 5000));
        for (quint32 i = 0; i < 2 * DuplicateFilter::MostSources; ++i)
            filter.admit(QHostAddress(SenderZero + 1000 + i).toString(), "x", 5000 + i);
        QCOMPARE(filter.sourceCount(), DuplicateFilter::MostSources);
        QVERIFY(filter.admit("10.0.0.3", "2", 5001)); // its source was the oldest
        filter.admit("10.0.0.4", "y", 9000); // the others fell quiet long ago
        QCOMPARE(filter.sourceCount(), 1);
    }

    // Watched where the system tells of changes, else polled; no proxy settings are asked.
    void ownAddressesAreWatchedWithoutProxyQuestions()
    {
        struct CountingProxyFactory final : QNetworkProxyFactory {
            QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery&) override
            {
                ++queries;
                return {QNetworkProxy::NoProxy};
            }
            int queries = 0;
        };
        OwnAddresses hosts(QHostAddress(QHostAddress::Broadcast), freeUdpPort());
        auto* factory = new CountingProxyFactory;
        QNetworkProxyFactory::setApplicationProxyFactory(factory);
        hosts.watch();
        QVERIFY(hosts.isOwn(hosts.outgoing()));
        QCOMPARE(factory->queries, 0);
        QNetworkProxyFactory::setApplicationProxyFactory(nullptr);
#if defined(Q_OS_LINUX) && !defined(KW_POLL_ADDRESSES)
        QVERIFY(hosts.isNotified());
#endif
        const auto polling = AddressWatcher::polling(std::chrono::milliseconds(2));
        QSignalSpy polled(polling.get(), &AddressWatcher::changed);
        QVERIFY(!polling->isNotified());
        QTRY_VERIFY(polled.count() >= 2);
    }

#ifdef Q_OS_LINUX
    // Link 2 is up and running before each batch; "again": the same batch once more.
    void routeSocketBatches_data()
    {
        QTest::addColumn<QByteArray>("batch");
        QTest::addColumn<bool>("touches");
        QTest::addColumn<bool>("again");
        const unsigned up = IFF_UP | IFF_RUNNING;
        const auto row = [](const char* name, const QByteArray& batch, bool touches, bool again) {
            QTest::newRow(name) << batch << touches << again;
        };
        const auto route = [](quint16 type, unsigned char family) {
            return netlinkMessage(type,
                                  rtmsg{family, 0, 0, 0, RT_TABLE_MAIN, 0, 0, RTN_UNICAST, 0});
        };
        QByteArray beyond = address(RTM_NEWADDR, AF_INET6), under = beyond;
        beyond[0] = char(beyond.size() + 4);
        under[0] = 4;
        row("nothing", {}, false, false);
        row("IPv4 address added", address(RTM_NEWADDR, AF_INET), true, true);
        row("IPv4 address removed", address(RTM_DELADDR, AF_INET), true, true);
        row("IPv6 address only", address(RTM_NEWADDR, AF_INET6), false, false);
        row("IPv6 route only", route(RTM_NEWROUTE, AF_INET6), false, false);
        row("IPv6, then an IPv4 route in the same read",
            address(RTM_NEWADDR, AF_INET6) + route(RTM_DELROUTE, AF_INET), true, true);
        row("the link's state repeated", link(RTM_NEWLINK, 2, up | IFF_BROADCAST), false, false);
        row("the link loses its carrier", link(RTM_NEWLINK, 2, IFF_UP), true, false);
        row("a new link", link(RTM_NEWLINK, 3, up), true, false);
        row("the link goes", link(RTM_DELLINK, 2, 0), true, true);
        row("another kind of message", netlinkMessage(RTM_NEWNEIGH, ndmsg{}), false, false);
        row("the kernel's error", netlinkMessage(NLMSG_ERROR, nlmsgerr{}), true, true);
        row("a header cut short", address(RTM_NEWADDR, AF_INET6).left(8), true, true);
        row("a body too short for its kind", netlinkMessage(RTM_NEWADDR, quint16(0)), true, true);
        row("a length past the end", beyond, true, true);
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
