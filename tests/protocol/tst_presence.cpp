#include "Recorders.h"
#include "protocol/CommandDispatcher.h"
#include "protocol/Framing.h"
#include "protocol/Identity.h"
#include "protocol/Presence.h"
#include "protocol/Roster.h"

#include <QSignalSpy>
#include <QTest>

namespace {
using Lines = QList<RecordedLine>;

// One station's presence handling, with the network and the transcript recorded.
struct Fixture {
    Identity self{QStringLiteral("10.0.0.1"), QStringLiteral("já"), QStringLiteral("user")};
    Roster roster;
    RecordingTranscript transcript;
    RecordingSender sender;
    CommandDispatcher dispatcher;
    Presence presence{self, roster, transcript, sender};
    QSignalSpy counts{&presence, &Presence::userCountChanged};

    Fixture() { presence.attach(dispatcher); }

    void receive(const QByteArray& word, const QStringList& fields)
    {
        const QByteArray data = Framing::commandData(word, fields);
        dispatcher.HandleCommand(word, data.sliced(word.size() + 1).chopped(2));
    }

    QStringList entries() const
    {
        QStringList result;
        for (int row = 0; row < roster.count(); ++row) {
            const auto& e = roster.at(row);
            result << e.key + QLatin1Char('=') + e.text + QLatin1Char('/') + e.icon;
        }
        return result;
    }

    QString lastCount() const
    {
        return counts.isEmpty() ? QString() : counts.last().at(0).toString();
    }
};
} // namespace

class tst_Presence final : public QObject {
    Q_OBJECT

private slots:
    void announcementsSendTheOwnIdentity()
    {
        Fixture f;
        f.presence.Logon();
        f.presence.Logoff();
        QCOMPARE(f.sender.sent, (QList<SentPackage>{{"LOGON\t10.0.0.1\x0Bj\xE1\x0Buser\r\n", {}},
                                                    {"PING\t10.0.0.1\x0Bj\xE1\r\n", {}},
                                                    {"LOGOFF\t10.0.0.1\r\n", {}}}));
    }

    void firstLogonAddsWithALineLaterOnesOnlyUpdate()
    {
        Fixture f;
        f.receive("LOGON", {"10.0.0.7", "pc12", "user"});
        f.receive("LOGON", {"10.0.0.7", "pc12b", "user"});
        QCOMPARE(f.entries(), QStringList{"ip10.0.0.7=pc12b/user"});
        QCOMPARE(f.transcript.lines, (Lines{{"uživatel pc12 vstoupil do diskuze", 3, ""}}));
        QCOMPARE(f.lastCount(), QStringLiteral("uživatelé on-line: 1"));
    }

    void ptoingAddsSilently()
    {
        Fixture f;
        f.receive("PTOING", {"10.0.0.7", "pc12", "user"});
        QCOMPARE(f.entries(), QStringList{"ip10.0.0.7=pc12/user"});
        QVERIFY(f.transcript.lines.isEmpty());
        QCOMPARE(f.counts.size(), 1);
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

    void logonWithoutFieldsOnlyRefreshesTheCount()
    {
        Fixture f;
        f.receive("LOGON", {});
        QVERIFY(f.entries().isEmpty());
        QVERIFY(f.transcript.lines.isEmpty());
        QCOMPARE(f.lastCount(), QStringLiteral("uživatelé on-line: 0"));
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
        const SentPackage answer{"PTOING\t10.0.0.1\x0Bj\xE1\x0Buser\r\n", {"10.0.0.7"}};
        QCOMPARE(f.sender.sent, (QList<SentPackage>{answer, answer, answer}));
    }

    void pingWithoutAddressIsNotAnswered()
    {
        Fixture f;
        f.receive("PING", {});
        QVERIFY(f.sender.sent.isEmpty());
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
        // The hash beside the list still finds what moved up.
        QCOMPARE(f.roster.rowOf("ip10.0.0.8"), 0);
        f.receive("LOGOFF", {});
        QCOMPARE(f.roster.count(), 1);
    }

    void countNamesEveryEntry()
    {
        Fixture f;
        for (int i = 1; i <= 5; ++i)
            f.receive("PTOING", {QStringLiteral("10.0.0.%1").arg(i), "x", "user"});
        QCOMPARE(f.lastCount(), QStringLiteral("uživatelé on-line: 5"));
    }

    void unknownAndMiscasedWordsAreIgnored()
    {
        Fixture f;
        f.receive("logon", {"10.0.0.7", "pc12", "user"});
        f.receive("HELLO", {"10.0.0.7"});
        QVERIFY(f.entries().isEmpty());
        QVERIFY(f.sender.sent.isEmpty());
        QVERIFY(f.counts.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_Presence)
#include "tst_presence.moc"
