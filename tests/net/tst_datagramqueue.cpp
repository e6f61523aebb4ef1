#include "net/DatagramQueue.h"

#include <QTest>

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
} // namespace

class tst_DatagramQueue final : public QObject {
    Q_OBJECT

private slots:
    void keepsOrderAndWakesOnlyWhenItWasEmpty()
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
};

QTEST_GUILESS_MAIN(tst_DatagramQueue)
#include "tst_datagramqueue.moc"
