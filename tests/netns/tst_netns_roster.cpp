// Three stations on one bridged LAN find each other by broadcast, and a station that closes,
// or is ended by SIGTERM, disappears from the others' user lists.
#include "NetnsLab.h"

#include <QtTest>

#include <memory>

namespace {

constexpr int Stations = 3;
// A failing QTRY waits three times its timeout before it reports; the whole test must stay
// within its 120 s limit even then, with three Qt programs starting at once on two cores.
constexpr int TimeoutMs = 10000;

} // namespace

class TstNetnsRoster final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_lab = std::make_unique<NetnsLab>(QStringLiteral(KW_NETNS_PREFIX), Stations);
        if (!m_lab->available())
            QSKIP(qPrintable(m_lab->reason()));
        // All at once, so that their first announcements cross on the wire.
        for (int i = 1; i <= Stations; ++i) {
            m_stations[i - 1] =
                std::make_unique<StationProcess>(m_lab->namespaceName(i), KW_STATION_PROBE);
            QVERIFY(station(i).start());
        }
    }

    void everyStationListsAllThree()
    {
        for (int i = 1; i <= Stations; ++i) {
            QTRY_COMPARE_WITH_TIMEOUT(station(i).latest("MYIP"), m_lab->address(i), TimeoutMs);
            QTRY_COMPARE_WITH_TIMEOUT(shown(i), expected(i, {1, 2, 3}), 2 * TimeoutMs);
        }
    }

    void closedStationLeavesTheOtherLists()
    {
        station(3).writeLine(QStringLiteral("close"));
        QVERIFY2(station(3).exitsCleanly(TimeoutMs), qPrintable(station(3).describe()));
        for (int i = 1; i <= 2; ++i)
            QTRY_COMPARE_WITH_TIMEOUT(shown(i), expected(i, {1, 2}), TimeoutMs);
    }

    // Ended by a signal rather than by its window, a station still tells the others it left.
    void terminatedStationSaysGoodbye()
    {
        station(2).terminate();
        QVERIFY2(station(2).exitsCleanly(TimeoutMs), qPrintable(station(2).describe()));
        QTRY_COMPARE_WITH_TIMEOUT(shown(1), expected(1, {1}), TimeoutMs);
        station(1).writeLine(QStringLiteral("close"));
        QVERIFY2(station(1).exitsCleanly(TimeoutMs), qPrintable(station(1).describe()));
    }

    void cleanupTestCase()
    {
        // Stations first: a namespace with a process still inside outlives its removal.
        for (auto& station : m_stations)
            station.reset();
        m_lab.reset();
    }

private:
    StationProcess& station(int i) { return *m_stations[i - 1]; }

    // What a station's list and count show, in any order: "ip…=u1 ip…=user | uživatelé…: 2".
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

    std::unique_ptr<NetnsLab> m_lab;
    std::unique_ptr<StationProcess> m_stations[Stations];
};

QTEST_GUILESS_MAIN(TstNetnsRoster)
#include "tst_netns_roster.moc"
