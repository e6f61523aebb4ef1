// Three stations on one bridged LAN find each other by broadcast, and a station that closes,
// or is ended by SIGTERM, disappears from the others' user lists.
#include "NetnsLab.h"
#include "StationProcess.h"

#include <QFileInfo>
#include <QtTest>

#include <memory>
#include <vector>

namespace {

constexpr int kStations = 3;
// A failing QTRY waits three times its timeout before it reports, and the whole test must
// stay within its 120 s ctest limit even then. These still leave ample room for three Qt
// programs starting at once on a two-core machine.
constexpr int kJoinTimeoutMs = 20000;
constexpr int kLeaveTimeoutMs = 10000;
constexpr int kExitTimeoutMs = 10000;

// What a station's user list and count show, in a form that reads well when it differs:
// "ip10.205.17.11=u1 ip10.205.17.12=user | uživatelé on-line: 2". Order does not matter.
QString shown(const StationProcess& station)
{
    QStringList entries;
    for (const RosterEntry& entry : station.roster())
        entries << entry.key + QLatin1Char('=') + entry.icon;
    entries.sort();
    return entries.join(QLatin1Char(' ')) + QStringLiteral(" | ") + station.count();
}

} // namespace

class TstNetnsRoster final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void everyStationListsAllThree();
    void closedStationLeavesTheOtherLists();
    void terminatedStationSaysGoodbye();
    void lastStationCloses();

private:
    StationProcess& station(int i) { return *m_stations.at(i - 1); }
    // What station "self" should show when the listed stations are on line.
    QString expected(int self, std::initializer_list<int> listed) const;

    std::unique_ptr<NetnsLab> m_lab;
    std::vector<std::unique_ptr<StationProcess>> m_stations;
    bool m_joined = false;
};

QString TstNetnsRoster::expected(int self, std::initializer_list<int> listed) const
{
    QStringList entries;
    for (int i : listed)
        entries << QStringLiteral("ip%1=%2").arg(m_lab->address(i), i == self ? "u1" : "user");
    entries.sort();
    return entries.join(QLatin1Char(' ')) +
           QStringLiteral(" | uživatelé on-line: %1").arg(listed.size());
}

void TstNetnsRoster::initTestCase()
{
    m_lab = std::make_unique<NetnsLab>(QStringLiteral(KW_NETNS_PREFIX), kStations);
    if (!m_lab->available())
        QSKIP(qPrintable(m_lab->reason()));

    const QString probe = QStringLiteral(KW_STATION_PROBE);
    QVERIFY2(QFileInfo(probe).isExecutable(), qPrintable(probe + " is not built"));

    // All at once, so that their first announcements cross on the wire.
    for (int i = 1; i <= kStations; ++i) {
        m_stations.push_back(std::make_unique<StationProcess>(m_lab->namespaceName(i), probe));
        QVERIFY2(station(i).start(), qPrintable(station(i).describe()));
    }
}

void TstNetnsRoster::cleanupTestCase()
{
    // Stations first: a namespace with a process still inside outlives its removal.
    m_stations.clear();
    m_lab.reset();
}

void TstNetnsRoster::everyStationListsAllThree()
{
    for (int i = 1; i <= kStations; ++i) {
        QTRY_COMPARE_WITH_TIMEOUT(station(i).myIp(), m_lab->address(i), kJoinTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(shown(station(i)), expected(i, {1, 2, 3}), kJoinTimeoutMs);
    }
    m_joined = true;
}

void TstNetnsRoster::closedStationLeavesTheOtherLists()
{
    if (!m_joined)
        QSKIP("the stations never listed each other, so nobody can be seen leaving");

    StationProcess& leaving = station(3);
    leaving.writeLine(QStringLiteral("close"));
    QVERIFY2(leaving.waitForExit(kExitTimeoutMs), qPrintable(leaving.describe()));
    QCOMPARE(leaving.exitStatus(), QProcess::NormalExit);
    QCOMPARE(leaving.exitCode(), 0);
    for (int i = 1; i <= 2; ++i)
        QTRY_COMPARE_WITH_TIMEOUT(shown(station(i)), expected(i, {1, 2}), kLeaveTimeoutMs);
}

// Ended by a signal rather than by its window, a station still tells the others it left.
void TstNetnsRoster::terminatedStationSaysGoodbye()
{
    if (!m_joined)
        QSKIP("the stations never listed each other, so nobody can be seen leaving");

    StationProcess& leaving = station(2);
    leaving.terminate();
    QVERIFY2(leaving.waitForExit(kExitTimeoutMs), qPrintable(leaving.describe()));
    QCOMPARE(leaving.exitStatus(), QProcess::NormalExit);
    QCOMPARE(leaving.exitCode(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(shown(station(1)), expected(1, {1}), kLeaveTimeoutMs);
}

void TstNetnsRoster::lastStationCloses()
{
    StationProcess& last = station(1);
    last.writeLine(QStringLiteral("close"));
    QVERIFY2(last.waitForExit(kExitTimeoutMs), qPrintable(last.describe()));
    QCOMPARE(last.exitStatus(), QProcess::NormalExit);
    QCOMPARE(last.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TstNetnsRoster)
#include "tst_netns_roster.moc"
