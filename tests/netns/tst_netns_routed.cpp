// Stations on two subnets behind a router, and a station on both subnets, finding each other.
#include "NetnsLab.h"

#include <QtTest>

#include <memory>

namespace {

constexpr int TimeoutMs = 8000;
// As "netns.sh routed" numbers them: 1 and 2 in subnet A, 3 in B, 4 in both (here its A side).
const QString A = QStringLiteral("10.205.18."), B = QStringLiteral("10.205.19.");
const QStringList Addresses{A + "11", A + "12", B + "13", A + "14"};
const QStringList Nicks{"Jana", "Petr", "Zdeněk", "Olga"};

} // namespace

#define WAIT_UNTIL(i, condition)                                                                   \
    QTRY_VERIFY2_WITH_TIMEOUT(condition, qPrintable(station(i).describe()), TimeoutMs)

class TstNetnsRouted final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_lab =
            std::make_unique<NetnsLab>(QStringLiteral(KW_NETNS_PREFIX), 4, NetnsLab::Shape::Routed);
        if (!m_lab->available())
            QSKIP(qPrintable(m_lab->reason()));
    }
    void cleanup()
    {
        for (auto& each : m_stations)
            each.reset();
    }

    // A names B's directed broadcast, which the router forwards; B names A's hosts one by one.
    // Petr also names his own subnet's broadcast: all he sends arrives twice and shows once.
    void extraAddressesJoinTheSubnets_data()
    {
        QTest::addColumn<QList<QStringList>>("extra");
        QTest::newRow("none") << QList<QStringList>{{}, {}, {}};
        QTest::newRow("joined") << QList<QStringList>{
            {B + "255"}, {B + "255", A + "255"}, {Addresses[0], Addresses[1]}};
    }
    void extraAddressesJoinTheSubnets()
    {
        QFETCH(QList<QStringList>, extra);
        const bool joined = !extra[0].isEmpty();
        for (int i : {1, 2, 3})
            start(i, extra[i - 1]);
        for (int i : {1, 2, 3})
            WAIT_UNTIL(i, listed(i) == (joined   ? Addresses.mid(0, 3)
                                        : i == 3 ? Addresses.mid(2, 1)
                                                 : Addresses.mid(0, 2)));
        // B's line leaves first; had it crossed the router, it would be in A before Petr's end.
        for (const auto& [i, text] : {std::pair(3, "nazdar"), {2, "ahoj"}, {2, "konec"}}) {
            station(i).writeLine(QStringLiteral("say ") + text);
            WAIT_UNTIL(i, count(i, Nicks[i - 1], text) == 1);
        }
        WAIT_UNTIL(1, count(1, "Petr", "konec") == 1);
        QCOMPARE(count(1, "Petr", "ahoj") + count(2, "Petr", "ahoj"), 2);
        QCOMPARE(count(1, "Zdeněk", "nazdar"), qsizetype(joined));
    }

    // Station 4's default route leads into B: left to the system it is heard there, and says
    // where else it could be; with A's interface chosen it is heard in A under A's address.
    void aChosenInterfaceIsWhereTheStationIsHeard()
    {
        start(4);
        WAIT_UNTIL(4, station(4).latest("ADDRESS") == B + "14");
        WAIT_UNTIL(4, station(4).latest("HINT").contains("lana (" + Addresses[3] + ')') &&
                          !station(4).latest("HINT").contains(QStringLiteral("lanb")));
        start(4, {}, QStringLiteral("lana"));
        start(1);
        WAIT_UNTIL(4, station(4).latest("ADDRESS") == Addresses[3]);
        for (int i : {1, 4})
            WAIT_UNTIL(i, listed(i) == (QStringList{Addresses[0], Addresses[3]}));
        QVERIFY(station(4).latest("HINT").isEmpty());
        // Unplugged, the system's choice stands in; back, the station speaks from it again.
        QVERIFY(m_lab->ip(4, {"addr", "flush", "dev", "lana"}));
        WAIT_UNTIL(4, station(4).latest("ADDRESS") == B + "14" && listed(4).contains(B + "14"));
        QVERIFY(m_lab->ip(4, {"addr", "add", Addresses[3] + "/24", "dev", "lana"}));
        WAIT_UNTIL(4, station(4).latest("ADDRESS") == Addresses[3]);
        station(4).writeLine(QStringLiteral("say zpět"));
        WAIT_UNTIL(1, count(1, "Olga", "zpět") == 1);
    }

private:
    StationProcess& station(int i) { return *m_stations[i - 1]; }
    void start(int i, const QStringList& extra = {}, const QString& interfaceName = {})
    {
        auto& slot = m_stations[i - 1];
        // Commas and no quotes, as a person writes them into the file.
        slot = std::make_unique<StationProcess>(
            m_lab->namespaceName(i), KW_STATION_PROBE, QStringList(), Nicks[i - 1],
            QStringList{"extraips=" + extra.join(','), "interface=" + interfaceName});
        QVERIFY(slot->start());
    }
    qsizetype count(int i, const QString& nick, const QString& text)
    {
        return station(i).lines().filter("]<" + nick + '>' + text).size();
    }
    // The addresses station i lists, sorted.
    QStringList listed(int i)
    {
        QStringList addresses = station(i).roster().replaceInStrings(
            QRegularExpression(QStringLiteral("^ip([^=]*)=.*")), QStringLiteral("\\1"));
        addresses.sort();
        return addresses;
    }

    // Removed after the stations: a namespace with a process inside outlives its removal.
    std::unique_ptr<NetnsLab> m_lab;
    std::unique_ptr<StationProcess> m_stations[4];
};

QTEST_GUILESS_MAIN(TstNetnsRouted)
#include "tst_netns_routed.moc"
