// A station started before its network has an address (autostart at logon) takes the address
// as soon as the network gives it one, and its peers list it there; and so again when it is
// renumbered. (That the system tells the station, rather than a poll, is tst_sockets' to see.)
#include "NetnsLab.h"

#include <QtTest>

namespace {
bool lists(const StationProcess& station, const QString& address, const QString& icon)
{
    return station.roster().join(';').contains("ip" + address + '=' + icon + '|');
}

// Three Qt programs may start at once on two cores; a poll, where there is one, comes round.
constexpr int TimeoutMs = 20000;
} // namespace

class TstNetnsAddress final : public QObject {
    Q_OBJECT

private slots:
    void stationFollowsTheAddressItIsGiven()
    {
        NetnsLab lab(QStringLiteral(KW_NETNS_PREFIX), 2);
        if (!lab.available())
            QSKIP(qPrintable(lab.reason()));
        const QString lan = QStringLiteral("lan0");
        QVERIFY(lab.ip(2, {"addr", "flush", "dev", lan}));

        StationProcess peer(lab.namespaceName(1), KW_STATION_PROBE);
        StationProcess late(lab.namespaceName(2), KW_STATION_PROBE);
        QVERIFY(peer.start() && late.start());
        QTRY_COMPARE_WITH_TIMEOUT(late.latest("ADDRESS"), QStringLiteral("127.0.0.1"), TimeoutMs);

        QVERIFY(lab.ip(2, {"addr", "add", lab.address(2) + "/24", "dev", lan}));
        QVERIFY(lab.ip(2, {"route", "add", "255.255.255.255/32", "dev", lan}));
        QTRY_COMPARE_WITH_TIMEOUT(late.latest("ADDRESS"), lab.address(2), TimeoutMs);
        QTRY_VERIFY2_WITH_TIMEOUT(lists(peer, lab.address(2), "user"), qPrintable(peer.describe()),
                                  TimeoutMs);
        QTRY_VERIFY2_WITH_TIMEOUT(late.roster().size() == 2 && lists(late, lab.address(2), "u1"),
                                  qPrintable(late.describe()), TimeoutMs);

        // Renumbered while running (a new lease): the old address goes, another comes.
        const QString renumbered = lab.address(2).section('.', 0, 2) + QStringLiteral(".99");
        QVERIFY(lab.ip(2, {"addr", "flush", "dev", lan}));
        QVERIFY(lab.ip(2, {"addr", "add", renumbered + "/24", "dev", lan}));
        QVERIFY(lab.ip(2, {"route", "replace", "255.255.255.255/32", "dev", lan}));
        QTRY_COMPARE_WITH_TIMEOUT(late.latest("ADDRESS"), renumbered, TimeoutMs);
        QTRY_VERIFY2_WITH_TIMEOUT(lists(peer, renumbered, "user"), qPrintable(peer.describe()),
                                  TimeoutMs);
    }
};

QTEST_GUILESS_MAIN(TstNetnsAddress)
#include "tst_netns_address.moc"
