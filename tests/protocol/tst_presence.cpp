#include "Handlers.h"

#include <QTest>

using Fixture = Handlers;

class tst_Presence final : public QObject {
    Q_OBJECT

private slots:
    void announcementsSendTheOwnIdentity()
    {
        Fixture f;
        f.presence.Logon();
        f.presence.Logoff();
        QCOMPARE(f.sender.sent, (QList<SentPackage>{{"LOGON\t10.0.0.1\vj\xE1\vuser\r\n", {}},
                                                    {"PING\t10.0.0.1\vj\xE1\r\n", {}},
                                                    {"LOGOFF\t10.0.0.1\r\n", {}}}));
    }

    void firstLogonAddsWithALineLaterOnesAndPtoingOnlyUpdate()
    {
        Fixture f;
        f.receive("LOGON", {"10.0.0.7", "pc12", "user"});
        f.receive("LOGON", {"10.0.0.7", "pc12b", "user"});
        f.receive("PTOING", {"10.0.0.8", "pc13", "user"});
        QCOMPARE(f.entries(), (QStringList{"ip10.0.0.7=pc12b/user", "ip10.0.0.8=pc13/user"}));
        QCOMPARE(f.transcript.lines, (Lines{{"uživatel pc12 vstoupil do diskuze", 3, ""}}));
        QCOMPARE(f.counts.size(), 3);
        QCOMPARE(f.lastCount(), QStringLiteral("uživatelé on-line: 2"));
    }

    void iconsMarkTheOwnEntryOnly_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("entry");
        QTest::newRow("own") << QStringList{"10.0.0.1", "já", "user"} << "ip10.0.0.1=já/u1";
        QTest::newRow("peer") << QStringList{"10.0.0.7", "pc12", "user"} << "ip10.0.0.7=pc12/user";
        QTest::newRow("peer without icon")
            << QStringList{"10.0.0.7", "pc12"} << "ip10.0.0.7=pc12/user";
        QTest::newRow("peer with empty icon")
            << QStringList{"10.0.0.7", "pc12", ""} << "ip10.0.0.7=pc12/user";
        QTest::newRow("peer with unknown icon")
            << QStringList{"10.0.0.7", "pc12", "kočka"} << "ip10.0.0.7=pc12/user";
        QTest::newRow("peer posing as own")
            << QStringList{"10.0.0.7", "pc12", "u1"} << "ip10.0.0.7=pc12/user";
        QTest::newRow("address only") << QStringList{"10.0.0.7"} << "ip10.0.0.7=/user";
    }

    void iconsMarkTheOwnEntryOnly()
    {
        QFETCH(QStringList, fields);
        QFETCH(QString, entry);
        Fixture f;
        f.receive("LOGON", fields);
        QCOMPARE(f.entries(), QStringList{entry});
    }

    void pingIsAnsweredToItsSenderAndAnnouncesRenames()
    {
        Fixture f;
        f.receive("PING", {"10.0.0.7", "pc12"}); // unknown: answered, not added
        QVERIFY(f.entries().isEmpty());
        f.receive("PTOING", {"10.0.0.7", "pc12", "user"});
        f.receive("PING", {"10.0.0.7", "pc12"}); // same nick: nothing to tell
        QVERIFY(f.transcript.lines.isEmpty());
        f.receive("PING", {"10.0.0.7", "Pc12"}); // case counts as a change
        QCOMPARE(f.transcript.lines, (Lines{{"uživatel pc12 je nyní Pc12", 2, ""}}));
        QCOMPARE(f.entries(), QStringList{"ip10.0.0.7=Pc12/user"});
        const SentPackage answer{"PTOING\t10.0.0.1\vj\xE1\vuser\r\n", {"10.0.0.7"}};
        QCOMPARE(f.sender.sent, (QList<SentPackage>{answer, answer, answer}));
    }

    // Answers go to the datagram's source, and only where that is one station.
    void pingIsAnsweredToItsSourceOnly_data()
    {
        QTest::addColumn<QString>("named");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("answeredTo"); // empty: not answered
        const auto row = [](const char* name, QString named, QString source, QString to) {
            QTest::newRow(name) << named << source << to;
        };
        row("multi-homed peer", "10.0.0.7", "10.0.1.7", "10.0.1.7");
        row("third address", "10.0.0.9", "10.0.0.7", "10.0.0.7");
        row("names broadcast", "255.255.255.255", "10.0.0.7", "10.0.0.7");
        row("from broadcast", "10.0.0.7", "255.255.255.255", "");
        row("from our network's broadcast", "10.0.0.7", "10.0.0.255", "");
        row("from a group", "10.0.0.7", "224.0.0.1", "");
        row("from any", "10.0.0.7", "0.0.0.0", "");
        row("not from the network", "10.0.0.7", "", "");
        row("names us, from elsewhere", "10.0.0.1", "10.0.0.7", "");
        row("names us, from us", "10.0.0.1", "127.0.0.1", "127.0.0.1");
    }

    void pingIsAnsweredToItsSourceOnly()
    {
        QFETCH(QString, named);
        QFETCH(QString, source);
        QFETCH(QString, answeredTo);
        Fixture f;
        f.receive("PING", {named, "x"}, source);
        QCOMPARE(f.sender.sent.size(), answeredTo.isEmpty() ? 0 : 1);
        QCOMPARE(f.sender.sent.value(0).to.join(','), answeredTo);
    }

    void pingsFromOneSourceAreAnsweredFiveTimesASecond()
    {
        Fixture f;
        const auto answers = [&f](const QString& source) {
            return std::count_if(f.sender.sent.cbegin(), f.sender.sent.cend(),
                                 [&](const SentPackage& p) { return p.to == QStringList{source}; });
        };
        for (int i = 0; i < 7; ++i)
            f.receive("PING", {"10.0.0.7", "x"});
        f.receive("PING", {"10.0.0.8", "y"});
        QCOMPARE(answers("10.0.0.7"), 5);
        QCOMPARE(answers("10.0.0.8"), 1);
        f.now = 999;
        f.receive("PING", {"10.0.0.7", "x"});
        QCOMPARE(answers("10.0.0.7"), 5);
        f.now = 1000;
        f.receive("PING", {"10.0.0.7", "x"});
        QCOMPARE(answers("10.0.0.7"), 6);
    }

    // Nobody but the station itself may rename, remove or add its entry; nobody but a peer
    // may log it off.
    void onlyTheStationItselfSpeaksForItsAddress()
    {
        Fixture f;
        f.receive("LOGON", {"10.0.0.1", "já", "user"}, "127.0.0.1");
        f.receive("PTOING", {"10.0.0.7", "pc12", "user"});
        const QStringList both{"ip10.0.0.1=já/u1", "ip10.0.0.7=pc12/user"};
        f.receive("LOGON", {"10.0.0.1", "podvrh", "user"}, "10.0.0.7");
        f.receive("PTOING", {"10.0.0.1", "podvrh", "user"}, "10.0.0.7");
        f.receive("PING", {"10.0.0.1", "podvrh"}, "10.0.0.7");
        f.receive("LOGOFF", {"10.0.0.1"}, "10.0.0.7");
        f.receive("LOGOFF", {"10.0.0.7"}, "10.0.0.8");
        QCOMPARE(f.entries(), both);
        f.receive("LOGOFF", {"10.0.0.7"});
        f.receive("LOGOFF", {"10.0.0.1"}, "127.0.0.1");
        QVERIFY(f.entries().isEmpty());
    }

    void rosterStopsGrowingAtItsBound()
    {
        Fixture f;
        for (int i = 0; i < Roster::MaxEntries; ++i)
            f.receive("PTOING", {QStringLiteral("10.1.%1.%2").arg(i / 256).arg(i % 256), "x"});
        f.receive("LOGON", {"10.0.0.7", "nový", "user"});
        f.receive("PTOING", {"10.1.0.0", "známý", "user"});
        QCOMPARE(f.roster.count(), Roster::MaxEntries);
        QCOMPARE(f.roster.rowOf("ip10.0.0.7"), -1);
        QCOMPARE(f.roster.at(0).text, QStringLiteral("známý"));
        QVERIFY(f.transcript.lines.isEmpty());
    }

    // The last entry takes a removed one's row: rows, look-ups and a view's indexes agree.
    void removalMovesOnlyTheLastEntry()
    {
        Fixture f;
        for (int i = 1; i <= 4; ++i)
            f.receive("PTOING", {QStringLiteral("10.0.0.%1").arg(i + 1), QString::number(i)});
        const QPersistentModelIndex gone = f.roster.index(1), last = f.roster.index(3);
        f.receive("LOGOFF", {"10.0.0.3"});
        QCOMPARE(f.entries(),
                 (QStringList{"ip10.0.0.2=1/user", "ip10.0.0.5=4/user", "ip10.0.0.4=3/user"}));
        for (int row = 0; row < f.roster.count(); ++row)
            QCOMPARE(f.roster.rowOf(f.roster.at(row).key), row);
        QVERIFY(!gone.isValid());
        QCOMPARE(last.row(), 1);
    }

    void logoffRemovesKnownUsersAndAlwaysRefreshesTheCount()
    {
        Fixture f;
        f.receive("PTOING", {"10.0.0.7", "pc12", "user"});
        f.receive("PTOING", {"10.0.0.8", "pc12", "user"}); // same nick, other station
        QCOMPARE(f.roster.count(), 2);
        f.receive("LOGOFF", {"10.0.0.9"});
        QCOMPARE(f.roster.count(), 2);
        QCOMPARE(f.lastCount(), QStringLiteral("uživatelé on-line: 2"));
        f.receive("LOGOFF", {"10.0.0.7"});
        QCOMPARE(f.entries(), QStringList{"ip10.0.0.8=pc12/user"});
        QCOMPARE(f.transcript.lines, (Lines{{"uživatel pc12 opustli chat", 3, " "}}));
        QCOMPARE(f.lastCount(), QStringLiteral("uživatelé on-line: 1"));
        f.receive("LOGOFF", {});
        QCOMPARE(f.roster.count(), 1);
    }

    // Without fields a LOGON only refreshes the count and a PING is not answered; a word that
    // is not exactly one of ours does nothing at all.
    void emptyAndUnknownPacketsChangeNothing()
    {
        Fixture f;
        f.receive("logon", {"10.0.0.7", "pc12", "user"});
        f.receive("HELLO", {"10.0.0.7"});
        QVERIFY(f.counts.isEmpty());
        f.receive("PING", {});
        f.receive("LOGON", {});
        QVERIFY(f.entries().isEmpty() && f.transcript.lines.isEmpty() && f.sender.sent.isEmpty());
        QCOMPARE(f.lastCount(), QStringLiteral("uživatelé on-line: 0"));
    }
};

QTEST_GUILESS_MAIN(tst_Presence)
#include "tst_presence.moc"
