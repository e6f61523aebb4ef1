// A station under attack from another on its LAN: notes, attention requests and PINGs by the
// thousand, packets that speak as the victim or aim it at a third station, line breaks and
// markup inside fields, 32 KiB nicks. The victim keeps running and keeps its bounds.
#include "NetnsLab.h"

#include <QFile>
#include <QRegularExpression>
#include <QtTest>

namespace {

constexpr int TimeoutMs = 30000;
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

} // namespace

class TstNetnsHostile final : public QObject {
    Q_OBJECT

private slots:
    void victimKeepsRunningWithinItsBounds()
    {
        NetnsLab lab(QStringLiteral(KW_NETNS_PREFIX), 3);
        if (!lab.available())
            QSKIP(qPrintable(lab.reason()));
        const QString victimAddress = lab.address(1);
        StationProcess victim(lab.namespaceName(1), KW_STATION_PROBE, {}, QStringLiteral("oběť"));
        StationProcess third(lab.namespaceName(3), KW_HOSTILE_PEER,
                             {"listen", victimAddress, lab.address(3)});
        QVERIFY(victim.start() && third.start());
        const QString own = "ip" + victimAddress + QStringLiteral("=u1|oběť");
        QTRY_COMPARE_WITH_TIMEOUT(victim.roster(), QStringList{own}, TimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(third.seen("READY"), 1, TimeoutMs);
        const qint64 before = residentKiB(victim.processId());

        StationProcess attacker(lab.namespaceName(2), KW_HOSTILE_PEER,
                                {"flood", lab.address(2), victimAddress, lab.address(3)});
        QVERIFY(attacker.start() && attacker.exitsCleanly(TimeoutMs));
        QTRY_VERIFY2_WITH_TIMEOUT(!victim.lines().filter(QStringLiteral(">konec útoku")).isEmpty(),
                                  qPrintable(victim.describe()), TimeoutMs);

        QVERIFY(victim.isRunning());
        const qint64 growth = residentKiB(victim.processId()) - before;
        QVERIFY2(growth < MaxGrowthKiB, qPrintable(QStringLiteral("grew by %1 KiB").arg(growth)));
        QCOMPARE(victim.seen("BOX"), 5);
        QVERIFY(victim.latest("BOX").contains(QStringLiteral("<img src=")));
        // Its own entry and nick stay; the attacker's 32 KiB nick is cut.
        QCOMPARE(victim.roster(),
                 (QStringList{own, "ip" + lab.address(2) + "=user|" + QString(64, 'N')}));
        // Nobody spoke as the victim, and no line was forged.
        const QStringList lines = victim.lines();
        QVERIFY(lines.filter(QStringLiteral("mluvím za tebe")).isEmpty());
        QVERIFY(!lines.filter(QStringLiteral(">ahoj  [12:00:00]<oběť>podvrh")).isEmpty());
        QVERIFY(lines.filter(QRegularExpression(QStringLiteral("^\\[12:00:00\\]"))).isEmpty());

        // Nothing was aimed at the third station; its own PING is answered at once.
        QCOMPARE(third.seen("PTOING"), 0);
        third.writeLine(QStringLiteral("ping"));
        QTRY_COMPARE_WITH_TIMEOUT(third.seen("PTOING"), 1, TimeoutMs);
        QVERIFY2(third.latest("PTOING").toInt() < 1000, qPrintable(third.latest("PTOING")));
    }
};

QTEST_GUILESS_MAIN(TstNetnsHostile)
#include "tst_netns_hostile.moc"
