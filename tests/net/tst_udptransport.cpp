#include "net/UdpTransport.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTest>
#include <QThread>
#include <QTimer>

class tst_UdpTransport final : public QObject {
    Q_OBJECT

private slots:
    // However long each datagram keeps the GUI thread, the event loop gets its turn between
    // slices, and the datagrams still come in the order they were sent.
    void slicesYieldToTheEventLoopAndKeepOrder()
    {
        QUdpSocket probe;
        QVERIFY(probe.bind(QHostAddress::AnyIPv4, 0));
        const quint16 port = probe.localPort();
        probe.close();
        UdpTransport transport({port, QHostAddress(QHostAddress::LocalHost)});
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
};

QTEST_GUILESS_MAIN(tst_UdpTransport)
#include "tst_udptransport.moc"
