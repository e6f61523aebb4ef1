// Three stations on one bridged LAN find each other by broadcast, and a station that closes,
// or is ended by SIGTERM, disappears from the others' user lists.
#include "NetnsLab.h"
#include "StationProcess.h"

#include <QDeadlineTimer>
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

QString keyOf(const QString& address)
{
    return QStringLiteral("ip") + address;
}

QString countText(int users)
{
    return QStringLiteral("uživatelé on-line: %1").arg(users);
}

// Empty when the station lists exactly the expected users with the right icons; otherwise
// every difference, so a failure says more than "false".
QString rosterProblems(const StationProcess& station, const QString& ownKey,
                       const QStringList& expectedKeys)
{
    QStringList problems;
    QStringList seen;
    for (const RosterEntry& entry : station.roster()) {
        if (seen.contains(entry.key))
            problems << QStringLiteral("%1 listed twice").arg(entry.key);
        seen << entry.key;
        if (!expectedKeys.contains(entry.key)) {
            problems << QStringLiteral("unexpected %1").arg(entry.key);
            continue;
        }
        const QString icon = entry.key == ownKey ? QStringLiteral("u1") : QStringLiteral("user");
        if (entry.icon != icon)
            problems << QStringLiteral("%1 has icon '%2' instead of '%3'")
                            .arg(entry.key, entry.icon, icon);
    }
    for (const QString& key : expectedKeys) {
        if (!seen.contains(key))
            problems << QStringLiteral("%1 missing").arg(key);
    }
    if (station.count() != countText(int(expectedKeys.size())))
        problems << QStringLiteral("count is '%1' instead of '%2'")
                        .arg(station.count(), countText(int(expectedKeys.size())));
    return problems.join(QStringLiteral("; "));
}

QString failure(const QString& problems, const StationProcess& station)
{
    return problems + QLatin1Char('\n') + station.describe();
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
    QStringList keys(std::initializer_list<int> stations) const;

    std::unique_ptr<NetnsLab> m_lab;
    std::vector<std::unique_ptr<StationProcess>> m_stations;
    bool m_joined = false;
};

QStringList TstNetnsRoster::keys(std::initializer_list<int> stations) const
{
    QStringList result;
    for (int i : stations)
        result << keyOf(m_lab->address(i));
    return result;
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
    const QStringList everyone = keys({1, 2, 3});
    for (int i = 1; i <= kStations; ++i) {
        StationProcess& s = station(i);
        QTRY_VERIFY2_WITH_TIMEOUT(
            s.myIp() == m_lab->address(i),
            qPrintable(failure(QStringLiteral("MYIP is not %1").arg(m_lab->address(i)), s)),
            kJoinTimeoutMs);
        const QString own = keyOf(m_lab->address(i));
        QTRY_VERIFY2_WITH_TIMEOUT(rosterProblems(s, own, everyone).isEmpty(),
                                  qPrintable(failure(rosterProblems(s, own, everyone), s)),
                                  kJoinTimeoutMs);
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

    const QStringList remaining = keys({1, 2});
    for (int i = 1; i <= 2; ++i) {
        StationProcess& s = station(i);
        const QString own = keyOf(m_lab->address(i));
        QTRY_VERIFY2_WITH_TIMEOUT(rosterProblems(s, own, remaining).isEmpty(),
                                  qPrintable(failure(rosterProblems(s, own, remaining), s)),
                                  kLeaveTimeoutMs);
    }
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

    const QStringList remaining = keys({1});
    const QString own = keyOf(m_lab->address(1));
    QTRY_VERIFY2_WITH_TIMEOUT(
        rosterProblems(station(1), own, remaining).isEmpty(),
        qPrintable(failure(rosterProblems(station(1), own, remaining), station(1))),
        kLeaveTimeoutMs);
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
