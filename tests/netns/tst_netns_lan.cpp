// Stations on one bridged LAN: finding each other, lines, notes, files, leaving, renumbering.
#include "NetnsLab.h"

#include <QDir>
#include <QRandomGenerator>
#include <QtTest>

#include <memory>

namespace {

constexpr int Stations = 3, Late = 4;
// Failing QTRYs wait three times this; the test must stay within its 120 s even then.
constexpr int TimeoutMs = 10000;
const QString Nicks[Stations] = {QStringLiteral("Jana"), QStringLiteral("Petr"),
                                 QStringLiteral("Zdeněk")};

} // namespace

#define WAIT_UNTIL(i, condition)                                                                   \
    QTRY_VERIFY2_WITH_TIMEOUT(condition, qPrintable(station(i).describe()), TimeoutMs)

class TstNetnsLan final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_lab = std::make_unique<NetnsLab>(QStringLiteral(KW_NETNS_PREFIX), Late);
        if (!m_lab->available())
            QSKIP(qPrintable(m_lab->reason()));
        QVERIFY(m_lab->ip(Late, {"addr", "flush", "dev", "lan0"})); // as at an autostart at logon
        // All at once, so that their first announcements cross on the wire.
        for (int i = 1; i <= Late; ++i) {
            m_stations[i - 1] = std::make_unique<StationProcess>(
                m_lab->namespaceName(i), KW_STATION_PROBE, QStringList(),
                i == Late ? QString() : Nicks[i - 1]);
            QVERIFY(station(i).start());
        }
    }

    void everyStationListsAllThree()
    {
        for (int i = 1; i <= Stations; ++i) {
            QTRY_COMPARE_WITH_TIMEOUT(station(i).latest("ADDRESS"), m_lab->address(i), TimeoutMs);
            QTRY_COMPARE_WITH_TIMEOUT(shown(i), expected(i, {1, 2, 3}), 2 * TimeoutMs);
        }
    }

    void privateNoteReachesOnlyItsTarget()
    {
        station(1).writeLine("alert " + m_lab->address(2) + QStringLiteral(" přijď"));
        const QString box = "zpráva od: Jana [" + m_lab->address(1) + "]|přijď";
        WAIT_UNTIL(2, station(2).latest("BOX") == box);
        // A broadcast after the note arrives after it too: by then no note came to 3.
        station(1).writeLine(QStringLiteral("say konec"));
        WAIT_UNTIL(3, !station(3).lines().filter(QStringLiteral("]<Jana>konec")).isEmpty());
        QCOMPARE(station(3).seen("BOX") + station(1).seen("BOX"), 0);
    }

    void fileArrivesByteForByte()
    {
        // Not in /tmp, which file dialogs would look through.
        QTemporaryDir dir(QDir::current().filePath(QStringLiteral("netns-file-XXXXXX")));
        QFile source(dir.filePath(QStringLiteral("zpráva.bin")));
        QByteArray bytes(300000, Qt::Uninitialized);
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(bytes.data()),
                                              bytes.size() / 4);
        QVERIFY(source.open(QIODevice::WriteOnly) && source.write(bytes) == bytes.size());
        source.close();
        station(1).writeLine("sendfile " + m_lab->address(2) + ' ' + source.fileName());
        WAIT_UNTIL(2, station(2).latest("BOX").startsWith(
                          "příjem souboru|uživatel Jana vám zasílá soubor: \\nzpráva.bin"));
        station(2).writeLine("acceptfile " + dir.filePath(QStringLiteral("přijato.bin")));
        WAIT_UNTIL(2, station(2).lines().contains(QStringLiteral(
                          "přenos souboru je kompletní nebo byl zastaven uživatelem")));
        QFile arrived(dir.filePath(QStringLiteral("přijato.bin")));
        QVERIFY(arrived.open(QIODevice::ReadOnly) && arrived.readAll() == bytes);
    }

    void leavingStationsSayGoodbye()
    {
        station(2).terminate();
        QVERIFY2(station(2).exitsCleanly(TimeoutMs), qPrintable(station(2).describe()));
        QTRY_COMPARE_WITH_TIMEOUT(shown(1), expected(1, {1, 3}), TimeoutMs);
        station(3).writeLine(QStringLiteral("close"));
        QVERIFY2(station(3).exitsCleanly(TimeoutMs), qPrintable(station(3).describe()));
        QTRY_COMPARE_WITH_TIMEOUT(shown(1), expected(1, {1}), TimeoutMs);
    }

    // The late station takes its address once given, and again when renumbered.
    void aLateStationFollowsTheAddressItIsGiven()
    {
        WAIT_UNTIL(Late, station(Late).latest("ADDRESS") == QStringLiteral("127.0.0.1"));
        const QString given = m_lab->address(Late);
        for (const QString& address : {given, given.section('.', 0, 2) + QStringLiteral(".99")}) {
            QVERIFY(m_lab->ip(Late, {"addr", "flush", "dev", "lan0"}));
            QVERIFY(m_lab->ip(Late, {"addr", "add", address + "/24", "dev", "lan0"}));
            QVERIFY(m_lab->ip(Late, {"route", "replace", "255.255.255.255/32", "dev", "lan0"}));
            WAIT_UNTIL(Late, station(Late).latest("ADDRESS") == address);
            WAIT_UNTIL(Late, station(Late).roster().join(';').contains("ip" + address + "=u1|"));
            WAIT_UNTIL(1, station(1).roster().join(';').contains("ip" + address + "=user|"));
        }
    }

private:
    StationProcess& station(int i) { return *m_stations[i - 1]; }

    // "ip…=u1 ip…=user | uživatelé…: 2", sorted.
    QString shown(int i)
    {
        QStringList entries = station(i).roster();
        for (QString& entry : entries)
            entry = entry.section('|', 0, 0);
        entries.sort();
        return entries.join(' ') + " | " + station(i).latest("COUNT");
    }
    QString expected(int self, std::initializer_list<int> listed) const
    {
        QStringList entries;
        for (int i : listed)
            entries << QStringLiteral("ip%1=%2").arg(m_lab->address(i), i == self ? "u1" : "user");
        entries.sort();
        return entries.join(' ') + QStringLiteral(" | uživatelé on-line: %1").arg(listed.size());
    }

    // Removed after the stations: a namespace with a process inside outlives its removal.
    std::unique_ptr<NetnsLab> m_lab;
    std::unique_ptr<StationProcess> m_stations[Late];
};

QTEST_GUILESS_MAIN(TstNetnsLan)
#include "tst_netns_lan.moc"
