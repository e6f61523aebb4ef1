#include "Recorders.h"
#include "protocol/Framing.h"
#include "protocol/Station.h"

#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTest>
#include <QUdpSocket>

namespace {
// Loopback only, on ports away from the real chat.
UdpEndpoints loopback(quint16 port)
{
    return {port, QHostAddress(QHostAddress::LocalHost)};
}

quint16 freePort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::AnyIPv4, 0);
    return probe.localPort();
}
} // namespace

class tst_StationSockets final : public QObject {
    Q_OBJECT

private slots:
    void takenPortIsReportedNotShared()
    {
        RecordingTranscript transcript;
        RecordingNotes notes;
        const auto endpoints = loopback(freePort());
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

    void addressListIsServedInOrderUntilAnAddressFails()
    {
        const quint16 port = freePort();
        QUdpSocket listener;
        QVERIFY(listener.bind(QHostAddress::AnyIPv4, port));
        RecordingTranscript transcript;
        RecordingNotes notes;
        Station station(transcript, notes, loopback(port));
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

    void oversizedDataSendsNothing()
    {
        const quint16 port = freePort();
        QUdpSocket listener;
        QVERIFY(listener.bind(QHostAddress::LocalHost, port));
        RecordingTranscript transcript;
        RecordingNotes notes;
        Station station(transcript, notes, loopback(port));
        const QString text(Framing::MaxDataLength, QLatin1Char('x'));
        QVERIFY(!station.SendPackage(Framing::commandData("MSG", {"127.0.0.1", text})));
        QVERIFY(station.SendPackage(Framing::commandData("MSG", {"127.0.0.1", "ok"})));
        QTRY_VERIFY(listener.hasPendingDatagrams());
        QVERIFY(listener.receiveDatagram().data().contains("ok"));
        QVERIFY(!listener.hasPendingDatagrams());
    }
};

QTEST_GUILESS_MAIN(tst_StationSockets)
#include "tst_station_sockets.moc"
