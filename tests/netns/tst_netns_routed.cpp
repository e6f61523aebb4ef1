// Stations on two subnets behind a router, and a station on both subnets, finding each other.
#include "NetnsLab.h"

#include <QDir>
#include <QRandomGenerator>
#include <QtTest>

#include <memory>

namespace {

constexpr int Stations = 4;
// Failing QTRYs wait three times this; the test must stay within its 120 s even then.
constexpr int TimeoutMs = 8000;
// As "netns.sh routed" numbers them: 1 and 2 in subnet A, 3 in B, 4 in both (here its A side).
const QString SubnetA = QStringLiteral("10.205.18."), SubnetB = QStringLiteral("10.205.19.");
const QString Addresses[Stations] = {SubnetA + "11", SubnetA + "12", SubnetB + "13",
                                     SubnetA + "14"};
const QString Nicks[Stations] = {QStringLiteral("Jana"), QStringLiteral("Petr"),
                                 QStringLiteral("Zdeněk"), QStringLiteral("Olga")};

} // namespace

#define WAIT_UNTIL(i, condition)                                                                   \
    QTRY_VERIFY2_WITH_TIMEOUT(condition, qPrintable(station(i).describe()), TimeoutMs)

class TstNetnsRouted final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_lab = std::make_unique<NetnsLab>(QStringLiteral(KW_NETNS_PREFIX), Stations,
                                           NetnsLab::Shape::Routed);
        if (!m_lab->available())
            QSKIP(qPrintable(m_lab->reason()));
    }
    void cleanup()
    {
        for (auto& each : m_stations)
            each.reset();
    }

    void withoutExtraAddressesTheRouterKeepsSubnetsApart()
    {
        for (int i : {1, 2, 3})
            start(i);
        WAIT_UNTIL(1, shown(1) == expected(1, {1, 2}));
        WAIT_UNTIL(2, shown(2) == expected(2, {1, 2}));
        WAIT_UNTIL(3, shown(3) == expected(3, {3}));
        // B's line has left before A's; had it crossed, it would be there before A's arrived.
        say(3, QStringLiteral("je tu někdo?"));
        say(1, QStringLiteral("tady A"));
        WAIT_UNTIL(2, count(2, QStringLiteral("Jana"), QStringLiteral("tady A")) == 1);
        QCOMPARE(count(1, "Zdeněk", "je tu někdo?") + count(2, "Zdeněk", "je tu někdo?"), 0);
        QCOMPARE(shown(3), expected(3, {3}));
    }

    // A names B's directed broadcast, which the router forwards; B names A's hosts one by one.
    // Petr also names his own subnet's broadcast, so all he sends arrives twice and shows once.
    void extraAddressesJoinTheSubnets()
    {
        start(1, {SubnetB + "255"});
        start(2, {SubnetB + "255", SubnetA + "255"});
        start(3, {Addresses[0], Addresses[1]});
        for (int i : {1, 2, 3})
            WAIT_UNTIL(i, shown(i) == expected(i, {1, 2, 3}));

        say(2, QStringLiteral("ahoj"));
        say(3, QStringLiteral("nazdar"));
        say(2, QStringLiteral("konec"));
        for (int i : {1, 2, 3}) {
            WAIT_UNTIL(i, count(i, "Petr", "konec") == 1 && count(i, "Zdeněk", "nazdar") == 1);
            QCOMPARE(count(i, "Petr", "ahoj"), 1);
        }
        // The same line typed again a while later is a new line.
        QTest::qWait(1500);
        say(2, QStringLiteral("ahoj"));
        for (int i : {1, 2, 3})
            WAIT_UNTIL(i, count(i, "Petr", "ahoj") == 2);

        // Not in /tmp, which file dialogs would look through.
        QTemporaryDir dir(QDir::current().filePath(QStringLiteral("netns-file-XXXXXX")));
        QFile source(dir.filePath(QStringLiteral("přes router.bin")));
        QByteArray bytes(100000, Qt::Uninitialized);
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(bytes.data()),
                                              bytes.size() / 4);
        QVERIFY(source.open(QIODevice::WriteOnly) && source.write(bytes) == bytes.size());
        source.close();
        station(3).writeLine("sendfile " + Addresses[0] + ' ' + source.fileName());
        WAIT_UNTIL(1, station(1).latest("BOX").startsWith(QStringLiteral("příjem souboru|")));
        station(1).writeLine("acceptfile " + dir.filePath(QStringLiteral("přijato.bin")));
        WAIT_UNTIL(1, station(1).lines().contains(QStringLiteral(
                          "přenos souboru je kompletní nebo byl zastaven uživatelem")));
        QFile arrived(dir.filePath(QStringLiteral("přijato.bin")));
        QVERIFY(arrived.open(QIODevice::ReadOnly) && arrived.readAll() == bytes);
    }

    // Station 4's default route leads into B: left to the system it is heard there, and says
    // where else it could be; with A's interface chosen it is heard in A under A's address.
    void aChosenInterfaceIsWhereTheStationIsHeard()
    {
        start(4);
        WAIT_UNTIL(4, station(4).latest("ADDRESS") == SubnetB + "14");
        WAIT_UNTIL(4, station(4).latest("HINT").contains("lana (" + Addresses[3] + ')'));
        QVERIFY(!station(4).latest("HINT").contains(QStringLiteral("lanb")));

        // Station 1 starts afresh: its PING reached 4 through A and listed it under B's address.
        m_stations[3].reset();
        start(4, {}, QStringLiteral("lana"));
        start(1);
        WAIT_UNTIL(4, station(4).latest("ADDRESS") == Addresses[3]);
        WAIT_UNTIL(4, shown(4) == expected(4, {1, 4}));
        WAIT_UNTIL(1, shown(1) == expected(1, {1, 4}));
        QVERIFY(station(4).latest("HINT").isEmpty());
    }

private:
    StationProcess& station(int i) { return *m_stations[i - 1]; }

    void start(int i, const QStringList& extra = {}, const QString& interfaceName = {})
    {
        auto& slot = m_stations[i - 1];
        slot = std::make_unique<StationProcess>(m_lab->namespaceName(i), KW_STATION_PROBE,
                                                QStringList(), Nicks[i - 1]);
        // Commas and no quotes, as a person writes them into the file.
        slot->addOption(QStringLiteral("extraips"), extra.join(QLatin1Char(',')));
        slot->addOption(QStringLiteral("interface"), interfaceName);
        QVERIFY(slot->start());
    }
    void say(int i, const QString& text)
    {
        station(i).writeLine("say " + text);
        WAIT_UNTIL(i, count(i, Nicks[i - 1], text) > 0);
    }
    int count(int i, const QString& nick, const QString& text)
    {
        const QString ending = "]<" + nick + '>' + text;
        const QStringList lines = station(i).lines();
        return int(std::count_if(lines.cbegin(), lines.cend(),
                                 [&](const QString& line) { return line.endsWith(ending); }));
    }

    // "ip…=u1 ip…=user | uživatelé…: 2", sorted.
    QString shown(int i)
    {
        QStringList entries = station(i).roster();
        for (QString& entry : entries)
            entry = entry.section('|', 0, 0);
        entries.sort();
        return entries.join(' ') + " | " + station(i).latest("COUNT");
    }
    static QString expected(int self, std::initializer_list<int> listed)
    {
        QStringList entries;
        for (int i : listed)
            entries << QStringLiteral("ip%1=%2").arg(Addresses[i - 1], i == self ? "u1" : "user");
        entries.sort();
        return entries.join(' ') + QStringLiteral(" | uživatelé on-line: %1").arg(listed.size());
    }

    // Removed after the stations: a namespace with a process inside outlives its removal.
    std::unique_ptr<NetnsLab> m_lab;
    std::unique_ptr<StationProcess> m_stations[Stations];
};

QTEST_GUILESS_MAIN(TstNetnsRouted)
#include "tst_netns_routed.moc"
