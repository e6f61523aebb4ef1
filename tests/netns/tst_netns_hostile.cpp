// A station under attack from another on its LAN: notes, attention requests and PINGs by the
// thousand, packets that speak as the victim or aim it at a third station, line breaks and
// markup inside fields, 32 KiB nicks. The victim keeps running and keeps its bounds. The
// attacker and the third station are sockets of this test in their own namespaces.
#include "NetnsLab.h"
#include "protocol/Framing.h"
#include "protocol/WireCodec.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QRegularExpression>
#include <QUdpSocket>
#include <QtTest>

namespace {

constexpr int TimeoutMs = 30000;
constexpr quint16 Port = 1705;
// The datagram queue may hold 16 MiB and the transcript keeps a few thousand short lines; the
// sanitizer run adds its red zones and a 16 MiB quarantine of freed memory. A station that
// opened a box per note or loaded what markup points at grew by gigabytes.
constexpr qint64 MaxGrowthKiB = 96 * 1024;

qint64 residentKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    static const QRegularExpression rss(QStringLiteral("VmRSS:\\s+(\\d+) kB"));
    return rss.match(QString::fromLatin1(status.readAll())).captured(1).toLongLong();
}

// Built by hand: the fields may hold what a well-behaved station would never send.
QByteArray packet(const QByteArray& word, const QList<QByteArray>& fields)
{
    return *Framing::framePacket(word + '\t' + fields.join('\v') + "\r\n");
}

} // namespace

class TstNetnsHostile final : public QObject {
    Q_OBJECT

private slots:
    void victimKeepsRunningWithinItsBounds()
    {
        NetnsLab lab(QStringLiteral(KW_NETNS_PREFIX), 3);
        if (!lab.available())
            QSKIP(qPrintable(lab.reason()));
        const QByteArray self = lab.address(2).toLatin1(), victim = lab.address(1).toLatin1(),
                         third = lab.address(3).toLatin1();
        QUdpSocket attacker, bystander;
        QVERIFY(lab.inNamespace(2, [&] { attacker.bind(); }));
        QVERIFY(lab.inNamespace(3, [&] { bystander.bind(QHostAddress::AnyIPv4, Port); }));
        QElapsedTimer sincePing;
        QList<qint64> answers; // ms since the bystander's PING, -1 before it
        connect(&bystander, &QUdpSocket::readyRead, this, [&] {
            while (bystander.hasPendingDatagrams()) {
                const QNetworkDatagram datagram = bystander.receiveDatagram();
                if (datagram.senderAddress().toString() == victim &&
                    datagram.data().contains("PTOING\t"))
                    answers << (sincePing.isValid() ? sincePing.elapsed() : -1);
            }
        });
        StationProcess station(lab.namespaceName(1), KW_STATION_PROBE, {}, QStringLiteral("oběť"));
        QVERIFY(station.start());
        const QString own = "ip" + lab.address(1) + QStringLiteral("=u1|oběť");
        QTRY_COMPARE_WITH_TIMEOUT(station.roster(), QStringList{own}, TimeoutMs);
        const qint64 before = residentKiB(station.processId());

        const auto send = [&](const QByteArray& datagram) {
            attacker.writeDatagram(datagram, QHostAddress(QString::fromLatin1(victim)), Port);
        };
        const QByteArray nick = WireCodec::encode(QStringLiteral("zlý")), huge(32000, 'N');
        const QByteArray markup =
            "<img src=\"/dev/zero\"><h1>velk\xE1</h1><a href=\"http://x\">odkaz</a>";
        const QByteArray speaking = "mluv\xEDm za tebe";
        send(packet("LOGON", {self, nick, "user"}));
        for (int round = 0; round < 1000; ++round) {
            send(packet("MSGBOX", {self, nick, markup}));
            send(packet("POPIT", {nick}));
            send(packet("PING", {third, nick}));
            send(packet("PING", {"255.255.255.255", nick}));
            send(packet("MSG", {self, "ahoj\r\n[12:00:00]<ob\xEC\x9D>podvrh"}));
            // The victim's own address, from here.
            send(packet("LOGON", {victim, "podvrh", "user"}));
            send(packet("PTOING", {victim, "podvrh", "user"}));
            send(packet("PING", {victim, "podvrh"}));
            send(packet("MSG", {victim, speaking}));
            send(packet("ALERT", {victim, "podvrh", speaking}));
            send(packet("MSGBOX", {victim, "podvrh", speaking}));
            send(packet("LOGOFF", {victim}));
            if (round % 10 == 0) {
                send(packet("LOGON", {self, huge, "user"}));
                send(packet("PING", {self, huge + 'x'}));
            }
        }
        // Said until it shows: under a flood of its own, one datagram may not make it.
        const auto ended = [&] {
            send(packet("MSG", {self, WireCodec::encode(QStringLiteral("konec útoku"))}));
            return !station.lines().filter(QStringLiteral(">konec útoku")).isEmpty();
        };
        QTRY_VERIFY2_WITH_TIMEOUT(ended(), qPrintable(station.describe()), TimeoutMs);

        QVERIFY(station.isRunning());
        const qint64 growth = residentKiB(station.processId()) - before;
        QVERIFY2(growth < MaxGrowthKiB, qPrintable(QStringLiteral("grew by %1 KiB").arg(growth)));
        QCOMPARE(station.seen("BOX"), 5);
        QVERIFY(station.latest("BOX").contains(QStringLiteral("<img src=")));
        // Its own entry and nick stay; the attacker's 32 KiB nick is cut.
        QCOMPARE(station.roster(),
                 (QStringList{own, "ip" + lab.address(2) + "=user|" + QString(64, 'N')}));
        // Nobody spoke as the victim, and no line was forged.
        const QStringList lines = station.lines();
        QVERIFY(lines.filter(QStringLiteral("mluvím za tebe")).isEmpty());
        QVERIFY(!lines.filter(QStringLiteral(">ahoj  [12:00:00]<oběť>podvrh")).isEmpty());
        QVERIFY(lines.filter(QRegularExpression(QStringLiteral("^\\[12:00:00\\]"))).isEmpty());

        // Nothing was aimed at the third station; its own PING is answered at once.
        QCoreApplication::processEvents();
        QVERIFY(answers.isEmpty());
        sincePing.start();
        bystander.writeDatagram(packet("PING", {third, "treti"}), QHostAddress::Broadcast, Port);
        QTRY_COMPARE_WITH_TIMEOUT(answers.size(), 1, TimeoutMs);
        QVERIFY2(answers.first() < 1000, qPrintable(QString::number(answers.first())));
    }
};

QTEST_GUILESS_MAIN(TstNetnsHostile)
#include "tst_netns_hostile.moc"
