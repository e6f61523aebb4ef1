// The way datagrams come in (a bounded queue drained in slices) and go out (a station's
// sockets), on loopback ports away from the real chat.
#include "Loopback.h"
#include "Recorders.h"
#include "net/DatagramQueue.h"
#include "net/UdpTransport.h"
#include "protocol/Framing.h"
#include "protocol/Station.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

namespace {

// A datagram of its size in bytes, named by its first byte.
ReceivedDatagram datagram(char name, qsizetype size = 100)
{
    return {QByteArray(size, name), QHostAddress(QHostAddress::LocalHost)};
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

constexpr qsizetype Cost = 100 + DatagramQueue::OverheadBytes;

UdpEndpoints loopback(quint16 port)
{
    return {port, QHostAddress(QHostAddress::LocalHost)};
}

} // namespace

class tst_Sockets final : public QObject {
    Q_OBJECT

private slots:
    void queueKeepsOrderAndWakesOnlyWhenItWasEmpty()
    {
        DatagramQueue queue;
        std::vector<ReceivedDatagram> first{datagram('a'), datagram('b')};
        std::vector<ReceivedDatagram> second{datagram('c')};
        QVERIFY(queue.push(first));
        QVERIFY(!queue.push(second));
        QCOMPARE(queue.sizeBytes(), 3 * Cost);
        QCOMPARE(names(queue), QByteArray("abc"));
        QVERIFY(queue.isEmpty());
        QCOMPARE(queue.sizeBytes(), 0);
        std::vector<ReceivedDatagram> none;
        QVERIFY(!queue.push(none));
    }

    void fullQueueDropsTheOldestAndCountsThem()
    {
        DatagramQueue queue(3 * Cost);
        std::vector<ReceivedDatagram> burst{datagram('a'), datagram('b'), datagram('c'),
                                            datagram('d'), datagram('e')};
        queue.push(burst);
        QCOMPARE(queue.dropped(), 2u);
        QCOMPARE(queue.sizeBytes(), 3 * Cost);
        // A large one makes room for itself; one larger than the whole queue is dropped alone.
        std::vector<ReceivedDatagram> large{datagram('f', 2 * 100 + DatagramQueue::OverheadBytes),
                                            datagram('g', 3 * Cost)};
        queue.push(large);
        QCOMPARE(queue.dropped(), 2u + 2u + 1u);
        QCOMPARE(names(queue), QByteArray("ef"));
    }

    // However long each datagram keeps the GUI thread, the event loop gets its turn between
    // slices, and the datagrams still come in the order they were sent.
    void slicesYieldToTheEventLoopAndKeepOrder()
    {
        UdpTransport transport(loopback(freeUdpPort()));
        QVERIFY(transport.bind());
        QByteArrayList seen;
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
        constexpr int Count = 40;
        QByteArrayList sent;
        qsizetype bytes = 0;
        for (int i = 0; i < Count; ++i) {
            sent << QByteArray::number(i);
            bytes += sent.back().size() + DatagramQueue::OverheadBytes;
            QVERIFY(transport.broadcast(sent.back()));
        }
        // All of them wait before the event loop runs, so every slice has more to hand on.
        QDeadlineTimer deadline(5000);
        while (transport.queuedBytes() < bytes && !deadline.hasExpired())
            QThread::yieldCurrentThread();
        QCOMPARE(transport.queuedBytes(), bytes);
        turns.start(0);
        QTRY_COMPARE(seen.count() - seen.count("turn"), Count);
        QByteArrayList handled = seen;
        handled.removeAll("turn");
        QCOMPARE(handled, sent);
        for (qsizetype i = 1; i < seen.size(); ++i)
            QVERIFY2(seen[i - 1] == "turn" || seen[i] == "turn", seen[i].constData());
    }

    void takenPortIsReportedNotShared()
    {
        RecordingTranscript transcript;
        RecordingNotes notes;
        const auto endpoints = loopback(freeUdpPort());
        Station first(transcript, notes, endpoints);
        Station second(transcript, notes, endpoints);
        QVERIFY(first.bindSockets());
        QVERIFY(!second.bindSockets());
        QVERIFY(!second.isListening());
        // It can still send; the first one hears it.
        QSignalSpy joined(&first.roster(), &Roster::rowsInserted);
        second.setUsername(QStringLiteral("druhý"));
        QVERIFY(second.presence().Logon());
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
        QVERIFY(!station.SendPackage(Framing::commandData("MSG", {"127.0.0.1", huge})));
        const QByteArray data = Framing::commandData("PING", {"127.0.0.1", "x"});
        QVERIFY(station.SendPackage(data, {"127.0.0.1", "127.0.0.2", "127.0.0.3"}));
        QVERIFY(!station.SendPackage(data, {"127.0.0.4", "not an address", "127.0.0.5"}));
        QStringList reached;
        QList<QByteArray> payloads;
        connect(&listener, &QUdpSocket::readyRead, this, [&] {
            while (listener.hasPendingDatagrams()) {
                const QNetworkDatagram datagram = listener.receiveDatagram();
                payloads << datagram.data();
                reached << datagram.destinationAddress().toString();
            }
        });
        QTRY_COMPARE(reached.size(), 4);
        QCOMPARE(payloads, QList<QByteArray>(4, *Framing::framePacket(data)));
        QCOMPARE(reached, (QStringList{"127.0.0.1", "127.0.0.2", "127.0.0.3", "127.0.0.4"}));
    }
};

QTEST_GUILESS_MAIN(tst_Sockets)
#include "tst_sockets.moc"
