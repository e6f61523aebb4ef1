// A station attacked from its LAN keeps running, within bounds, hearing everybody else.
#include "NetnsLab.h"
#include "UdpFlood.h"
#include "core/protocol/Framing.h"
#include "core/protocol/WireCodec.h"

#include <QNetworkDatagram>
#include <QRegularExpression>
#include <QUdpSocket>
#include <QtTest>

#include <optional>

namespace {

constexpr int TimeoutMs = 30000;
constexpr quint16 Port = 1705;
// Leaves room for what the sanitizer run adds on top.
constexpr qint64 MaxResidentKiB = 512 * 1024;

qint64 residentKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    status.open(QIODevice::ReadOnly);
    static const QRegularExpression rss(QStringLiteral("VmRSS:\\s+(\\d+) kB"));
    return rss.match(QString::fromLatin1(status.readAll())).captured(1).toLongLong();
}

// By hand: fields may hold what a well-behaved station never sends.
QByteArray packet(const QByteArray& word, const QList<QByteArray>& fields)
{
    return *Framing::framePacket(word + '\t' + fields.join('\v') + "\r\n");
}

// A socket standing for one station on the lab's LAN, counting the PTOINGs that come to it.
struct LabSocket {
    LabSocket(const NetnsLab& lab, int station)
        : address(lab.address(station).toLatin1())
    {
        lab.inNamespace(station, [this] { bound = socket.bind(QHostAddress::AnyIPv4, Port); });
        QObject::connect(&socket, &QUdpSocket::readyRead, [this] {
            while (socket.hasPendingDatagrams())
                answers += socket.receiveDatagram().data().contains("PTOING\t");
        });
    }
    void send(const QByteArray& datagram, const QString& to)
    {
        socket.writeDatagram(datagram, QHostAddress(to), Port);
    }
    const QByteArray address;
    QUdpSocket socket;
    bool bound = false;
    int answers = 0;
};

// The victim is station 1.
struct Lab {
    QString ownEntry() const { return "ip" + lab.address(1) + QStringLiteral("=u1|oběť"); }

    NetnsLab lab;
    StationProcess victim{lab.namespaceName(1), KW_STATION_PROBE, {}, QStringLiteral("oběť")};
};

} // namespace

#define START_VICTIM(l)                                                                            \
    if (!(l).lab.available())                                                                      \
        QSKIP(qPrintable((l).lab.reason()));                                                       \
    StationProcess& station = (l).victim;                                                          \
    QVERIFY(station.start());                                                                      \
    QTRY_COMPARE_WITH_TIMEOUT(station.roster(), QStringList{(l).ownEntry()}, TimeoutMs)

class TstNetnsHostile final : public QObject {
    Q_OBJECT

private slots:
    void victimKeepsRunningWithinItsBounds()
    {
        Lab l{{QStringLiteral(KW_NETNS_PREFIX), 3}};
        LabSocket attacker(l.lab, 2), third(l.lab, 3);
        START_VICTIM(l);
        QVERIFY(attacker.bound && third.bound);
        const qint64 before = residentKiB(station.processId());

        const QString victimAt = l.lab.address(1);
        const QByteArray self = attacker.address, victim = victimAt.toLatin1(),
                         other = third.address;
        const auto send = [&](const QByteArray& datagram) { attacker.send(datagram, victimAt); };
        const QByteArray nick = WireCodec::encode(QStringLiteral("zlý")), huge(32000, 'N');
        const QByteArray markup =
            "<img src=\"/dev/zero\"><h1>velk\xE1</h1><a href=\"http://x\">odkaz</a>";
        const QByteArray speaking = WireCodec::encode(QStringLiteral("mluvím za tebe"));
        send(packet("LOGON", {self, nick, "user"}));
        for (int i = 0; i < 10100; ++i)
            send(packet("LOGON", {QByteArray("10.99.") + QByteArray::number(i / 250) + '.' +
                                      QByteArray::number(i % 250 + 1),
                                  "x", "user"}));
        third.send(packet("LOGON", {other, WireCodec::encode(QStringLiteral("třetí")), "user"}),
                   victimAt);
        third.send(packet("MSG", {other, "ahoj od tretiho"}), victimAt);
        QTRY_VERIFY2_WITH_TIMEOUT(!station.lines().filter("<třetí>ahoj od tretiho").isEmpty(),
                                  qPrintable(station.describe()), TimeoutMs);
        for (int round = 0; round < 1000; ++round) {
            // Each round's notes and lines unlike the last's, which would be dropped as copies.
            const QByteArray count = QByteArray::number(round);
            send(packet("MSGBOX", {self, nick, markup + count}));
            send(packet("POPIT", {nick}));
            send(packet("PING", {other, nick}));
            send(packet("PING", {"255.255.255.255", nick}));
            send(packet("MSG", {self, "ahoj\r\n[12:00:00]<ob\xEC\x9D>podvrh" + count}));
            for (const QByteArray& named : {victim, other}) {
                send(packet("LOGON", {named, "podvrh", "user"}));
                send(packet("PTOING", {named, "podvrh", "user"}));
                send(packet("PING", {named, "podvrh"}));
                send(packet("MSG", {named, speaking}));
                send(packet("ALERT", {named, "podvrh", speaking}));
                send(packet("MSGBOX", {named, "podvrh", speaking}));
                send(packet("LOGOFF", {named}));
            }
            if (round % 10 == 0) {
                send(packet("LOGON", {self, huge, "user"}));
                send(packet("PING", {self, huge + 'x'}));
            }
        }
        // Said until it shows: a datagram may be lost, and the attacker's lines wait.
        const auto ended = [&] {
            send(packet("MSG", {self, WireCodec::encode(QStringLiteral("konec útoku"))}));
            return !station.lines().filter(QStringLiteral(">konec útoku")).isEmpty();
        };
        QTRY_VERIFY2_WITH_TIMEOUT(ended(), qPrintable(station.describe()), TimeoutMs);

        QVERIFY(station.isRunning());
        QVERIFY(residentKiB(station.processId()) - before < MaxResidentKiB / 4);
        QCOMPARE(station.seen("BOX"), 5);
        QVERIFY(station.latest("BOX").contains(QStringLiteral("<img src=")));
        QStringList roster = station.roster();
        QCOMPARE(roster.filter(QStringLiteral("ip10.99.")).size(), 4);
        roster.removeIf([](const QString& entry) { return entry.startsWith("ip10.99."); });
        QCOMPARE(roster,
                 (QStringList{l.ownEntry(), "ip" + QString(self) + "=user|" + QString(64, 'N'),
                              "ip" + QString(other) + QStringLiteral("=user|třetí")}));
        const QStringList lines = station.lines();
        QVERIFY(lines.filter(QStringLiteral("mluvím za tebe")).isEmpty());
        QVERIFY(!lines.filter(QStringLiteral(">ahoj  [12:00:00]<oběť>podvrh")).isEmpty());
        QVERIFY(lines.filter(QRegularExpression(QStringLiteral("^\\[12:00:00\\]"))).isEmpty());
        QCoreApplication::processEvents();
        QCOMPARE(third.answers, 0);
        const QString heldBack = QStringLiteral("stanice %1 posílá příliš mnoho zpráv: ").arg(self);
        QTRY_VERIFY_WITH_TIMEOUT(!station.lines().filter(heldBack).isEmpty(), TimeoutMs);
    }

    // Under a flood of 32 KB lines, a peer's lines are shown and a third's PINGs answered.
    void floodFromOneStationCrowdsOutNobody()
    {
        Lab l{{QStringLiteral(KW_NETNS_PREFIX), 4}};
        LabSocket peer(l.lab, 3), pinger(l.lab, 4);
        START_VICTIM(l);
        int floodSocket = -1;
        QVERIFY(l.lab.inNamespace(2, [&] { floodSocket = ::socket(AF_INET, SOCK_DGRAM, 0); }));
        QVERIFY(peer.bound && pinger.bound);
        const QString victimAt = l.lab.address(1);
        peer.send(packet("LOGON", {peer.address, "soused", "user"}), victimAt);
        QTRY_COMPARE_WITH_TIMEOUT(station.roster().size(), 2, TimeoutMs);

        const QByteArray line =
            packet("ALERT", {l.lab.address(2).toLatin1(), "zly", QByteArray(32000, 'x')});
        std::optional<UdpFlood> flood;
        flood.emplace(floodSocket, QHostAddress(victimAt), Port, line, 1'000'000'000,
                      line.size() / 2);
        // 64 MB: four times the station's queue.
        QTRY_VERIFY_WITH_TIMEOUT(flood->sent() >= 2000, TimeoutMs);
        qint64 largestKiB = 0;
        for (int said = 1; said <= 20; ++said) {
            const quint64 floodedBefore = flood->sent();
            peer.send(packet("MSG", {peer.address, "radek " + QByteArray::number(said)}), victimAt);
            if (said % 4 == 0)
                pinger.send(packet("PING", {"10.99.0.2", "ping"}), victimAt);
            QTRY_VERIFY2_WITH_TIMEOUT(
                station.lines().filter(QStringLiteral("<soused>radek ")).size() == said &&
                    pinger.answers == said / 4,
                qPrintable(QString::number(pinger.answers) + " answers; " + station.describe()),
                TimeoutMs);
            QVERIFY2(flood->sent() > floodedBefore, "the flood stopped");
            largestKiB = qMax(largestKiB, residentKiB(station.processId()));
        }
        flood.reset();
        QVERIFY(station.isRunning());
        QVERIFY2(largestKiB < MaxResidentKiB, qPrintable(QString::number(largestKiB)));
    }
};

QTEST_GUILESS_MAIN(TstNetnsHostile)
#include "tst_netns_hostile.moc"
