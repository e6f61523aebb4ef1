// The command handlers of one station fed crafted packets: who is listed and answered, what
// is shown, and who may speak for an address; and what the composer sends.
#include "Recorders.h"
#include "core/protocol/AddressGuard.h"
#include "core/protocol/CommandDispatcher.h"
#include "core/protocol/ComposerRules.h"
#include "core/protocol/Framing.h"
#include "core/protocol/Identity.h"
#include "core/protocol/LineBudget.h"
#include "core/protocol/Messages.h"
#include "core/protocol/PeerText.h"
#include "core/protocol/Presence.h"
#include "core/protocol/Roster.h"

#include <QSignalSpy>
#include <QTest>

#include <tuple>

namespace {

// The command handlers of station 10.0.0.1 ("já"), fed crafted packets, with the screen, the
// network and the clock recorded.
struct Fixture {
    Identity self{QStringLiteral("10.0.0.1"), QStringLiteral("já")};
    FakeHostAddresses hosts{{self.address}};
    Roster roster;
    AddressGuard guard{self, hosts, roster};
    qint64 now = 0;
    RecordingTranscript transcript;
    LineBudget lines{transcript, hosts, [this] { return now; }};
    RecordingSender sender;
    RecordingNotes notes;
    CommandDispatcher dispatcher;
    Presence presence{self, guard, roster, lines, sender, [this] { return now; }};
    Messages messages{roster, guard, lines, notes, [this] { return now; }};
    QSignalSpy counts{&presence, &Presence::userCountChanged};
    QSignalSpy attention{&messages, &Messages::attentionRequested};

    Fixture()
    {
        presence.attach(dispatcher);
        messages.attach(dispatcher);
    }

    // From the address the first field names, as a peer that keeps to the protocol sends it.
    void receive(const QByteArray& word, const QStringList& fields, QString source = {})
    {
        const QByteArray data = Framing::commandData(word, fields);
        dispatcher.handleCommand(word, data.sliced(word.size() + 1).chopped(2),
                                 source.isNull() ? fields.value(0) : source);
    }
    void know(const QString& address, const QString& nick)
    {
        roster.setText(roster.append(Roster::keyFor(address)), nick);
    }
    // "ip10.0.0.7=pc12/user" for each entry.
    QStringList entries() const
    {
        QStringList result;
        for (int row = 0; row < roster.count(); ++row)
            result << roster.at(row).key + '=' + roster.at(row).text + '/' + roster.at(row).icon;
        return result;
    }
    QString lastCount() const
    {
        return counts.isEmpty() ? QString() : counts.last().at(0).toString();
    }
};

} // namespace

class tst_Handlers final : public QObject {
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
        QCOMPARE(f.transcript.lines,
                 (Lines{{"uživatel pc12 vstoupil do diskuze", LineLook::Presence}}));
        QCOMPARE(f.counts.size(), 3);
        QCOMPARE(f.lastCount(), QStringLiteral("uživatelé on-line: 2"));
    }

    void iconsMarkTheOwnEntryOnly_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("entry");
        const auto row = [](const char* name, QStringList fields, QString entry) {
            QTest::newRow(name) << fields << entry;
        };
        row("own", {"10.0.0.1", "já", "user"}, "ip10.0.0.1=já/u1");
        row("peer", {"10.0.0.7", "pc12", "user"}, "ip10.0.0.7=pc12/user");
        row("peer without icon", {"10.0.0.7", "pc12"}, "ip10.0.0.7=pc12/user");
        row("peer with empty icon", {"10.0.0.7", "pc12", ""}, "ip10.0.0.7=pc12/user");
        row("peer with unknown icon", {"10.0.0.7", "pc12", "kočka"}, "ip10.0.0.7=pc12/user");
        row("peer posing as own", {"10.0.0.7", "pc12", "u1"}, "ip10.0.0.7=pc12/user");
        row("address only", {"10.0.0.7"}, "ip10.0.0.7=/user");
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
        QCOMPARE(f.transcript.lines, (Lines{{"uživatel pc12 je nyní Pc12", LineLook::Action}}));
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

    // An entry that a gateway made for 10.0.0.9 speaks through the gateway or through 10.0.0.9,
    // never through another station, however honest its own address.
    void anEntrySpeaksThroughItsSourceOrItsOwnAddressOnly_data()
    {
        QTest::addColumn<QByteArray>("word");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("source");
        QTest::addColumn<bool>("counts");
        const QList<std::pair<QByteArray, QStringList>> packets{
            {"LOGON", {"10.0.0.9", "jiný", "user"}},
            {"PTOING", {"10.0.0.9", "jiný", "user"}},
            {"PING", {"10.0.0.9", "jiný"}},
            {"LOGOFF", {"10.0.0.9"}},
            {"MSG", {"10.0.0.9", "ahoj"}},
            {"ALERT", {"10.0.0.9", "jiný", "mává"}},
            {"MSGBOX", {"10.0.0.9", "jiný", "přijď"}}};
        const QList<std::pair<QString, bool>> sources{
            {"10.0.1.1", true}, {"10.0.0.9", true}, {"10.0.0.7", false}};
        for (const auto& [word, fields] : packets) {
            for (const auto& [source, counts] : sources)
                QTest::addRow("%s from %s", word.constData(), qPrintable(source))
                    << word << fields << source << counts;
        }
    }

    void anEntrySpeaksThroughItsSourceOrItsOwnAddressOnly()
    {
        QFETCH(QByteArray, word);
        QFETCH(QStringList, fields);
        QFETCH(QString, source);
        QFETCH(bool, counts);
        Fixture f;
        f.receive("LOGON", {"10.0.0.9", "za-bránou", "user"}, "10.0.1.1");
        f.receive("LOGON", {"10.0.0.7", "pc12", "user"});
        const auto seen = [&f] {
            return std::tuple(f.entries(), f.transcript.lines.size(), f.notes.notes.size(),
                              f.sender.sent.size());
        };
        const auto before = seen();
        f.receive(word, fields, source);
        QCOMPARE(seen() != before, counts);
    }

    void theStationItselfTakesItsEntryOverFromTheSourceThatMadeIt()
    {
        Fixture f;
        f.receive("LOGON", {"10.0.0.9", "za-bránou", "user"}, "10.0.1.1");
        QCOMPARE(f.roster.entriesMadeBy("10.0.1.1"), 1);
        f.receive("MSG", {"10.0.0.9", "od stanice"});
        f.receive("MSG", {"10.0.0.9", "od brány"}, "10.0.1.1");
        QCOMPARE(f.transcript.lines.last(),
                 (RecordedLine{"od stanice", LineLook::Chat, "za-bránou"}));
        QCOMPARE(f.roster.entriesMadeBy("10.0.1.1"), 0);
        QCOMPARE(f.roster.entriesMadeBy("10.0.0.9"), 0);
    }

    // One source fills at most a few entries, so a real newcomer always finds room.
    void oneSourceListsAFewStationsAtMost()
    {
        Fixture f;
        for (int i = 1; i <= 10; ++i)
            f.receive("LOGON", {QStringLiteral("10.0.2.%1").arg(i), "x", "user"}, "10.0.0.7");
        QCOMPARE(f.roster.count(), Roster::MaxEntriesPerSource);
        f.receive("LOGOFF", {"10.0.2.1"}, "10.0.0.7");
        f.receive("PTOING", {"10.0.2.5", "x", "user"}, "10.0.0.7");
        f.receive("LOGON", {"10.0.0.7", "sám", "user"}); // its own entry is always its own
        QCOMPARE(f.roster.rowOf("ip10.0.2.5"), Roster::MaxEntriesPerSource - 1);
        QCOMPARE(f.roster.count(), Roster::MaxEntriesPerSource + 1);
        f.receive("LOGON", {"10.0.0.8", "nový", "user"});
        f.receive("MSG", {"10.0.0.8", "ahoj"});
        QCOMPARE(f.transcript.lines.last(), (RecordedLine{"ahoj", LineLook::Chat, "nový"}));
    }

    // Each source writes ten lines a second after a burst of fifty; what is held back is told
    // per station, the busiest first, and this station's own lines are never held back.
    void linesBeyondASourcesBudgetAreHeldBackAndTold()
    {
        Fixture f;
        f.lines.setNoticeInterval(std::chrono::milliseconds(0));
        f.receive("LOGON", {"10.0.0.1", "já", "user"});
        f.receive("LOGON", {"10.0.0.7", "pc12", "user"});
        const auto shown = [&f](const QString& text) {
            return std::count_if(f.transcript.lines.cbegin(), f.transcript.lines.cend(),
                                 [&](const RecordedLine& line) { return line.text == text; });
        };
        for (int i = 0; i < 60; ++i) {
            f.receive("MSG", {"10.0.0.7", "spam"});
            f.receive("MSG", {"10.0.0.1", "vlastní"});
        }
        f.now = 1000;
        for (int i = 0; i < 20; ++i)
            f.receive("MSG", {"10.0.0.7", "spam"});
        for (int station = 1; station <= 6; ++station) {
            for (int i = 0; i <= LineBudget::BurstLines; ++i)
                f.receive("ALERT", {QStringLiteral("10.0.3.%1").arg(station), "x", "y"});
        }
        // The line that listed pc12 came out of the same budget.
        QCOMPARE(shown("spam"), LineBudget::BurstLines - 1 + LineBudget::LinesPerSecond);
        QCOMPARE(shown("vlastní"), 60);
        QCOMPARE(f.lines.heldBack(), 27u);
        QTRY_COMPARE(f.lines.heldBack(), 0u);
        const Lines notices = f.transcript.lines.mid(f.transcript.lines.size() - 6);
        QCOMPARE(notices.first(),
                 (RecordedLine{"stanice 10.0.0.7 posílá příliš mnoho zpráv: 21 zpráv nezobrazeno",
                               LineLook::Alert}));
        QCOMPARE(notices.last(),
                 (RecordedLine{"další stanice posílají příliš mnoho zpráv: 2 zpráv nezobrazeno",
                               LineLook::Alert}));
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

    // A LOGOFF removes a known user and always refreshes the count. The last entry takes the
    // removed one's row: rows, look-ups and a view's indexes agree.
    void logoffRemovesKnownUsersAndMovesOnlyTheLastEntry()
    {
        Fixture f;
        for (int i = 1; i <= 4; ++i)
            f.receive("PTOING", {QStringLiteral("10.0.0.%1").arg(i + 1), "pc12"});
        const QPersistentModelIndex gone = f.roster.index(1), last = f.roster.index(3);
        f.receive("LOGOFF", {"10.0.0.9"});
        QCOMPARE(f.lastCount(), QStringLiteral("uživatelé on-line: 4"));
        f.receive("LOGOFF", {"10.0.0.3"}); // the same nick as others, but this station
        QCOMPARE(f.entries(), (QStringList{"ip10.0.0.2=pc12/user", "ip10.0.0.5=pc12/user",
                                           "ip10.0.0.4=pc12/user"}));
        for (int row = 0; row < f.roster.count(); ++row)
            QCOMPARE(f.roster.rowOf(f.roster.at(row).key), row);
        QVERIFY(!gone.isValid());
        QCOMPARE(last.row(), 1);
        QCOMPARE(f.transcript.lines,
                 (Lines{{"uživatel pc12 opustli chat", LineLook::Presence, {}, true}}));
        QCOMPARE(f.lastCount(), QStringLiteral("uživatelé on-line: 3"));
        f.receive("LOGOFF", {});
        QCOMPARE(f.roster.count(), 3);
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

    // Chat lines show under the roster's nick and only from those listed; actions need no
    // listing but their text.
    void chatLinesAndActions()
    {
        Fixture f;
        f.know("10.0.0.7", "pc12");
        f.know("10.0.0.8", "");
        f.know("10.0.0.9", "   ");
        f.receive("MSG", {"10.0.0.7", "ahoj"});
        f.receive("MSG", {"10.0.0.8", "kdo jsem"});
        f.receive("MSG", {"10.0.0.9", "mezery"});
        f.receive("MSG", {"10.0.0.5", "cizí"}); // not in the roster: not shown
        f.receive("MSG", {"10.0.0.7"}); // no text: nothing
        f.receive("MSG", {"10.0.0.7", ""});
        f.receive("ALERT", {"10.0.0.6", "pc11", "mává"});
        f.receive("ALERT", {"10.0.0.6", "pc11", ""});
        f.receive("ALERT", {"10.0.0.6", "pc11"});
        QCOMPARE(f.transcript.lines, (Lines{{"ahoj", LineLook::Chat, "pc12"},
                                            {"kdo jsem", LineLook::Chat, "anonymní"},
                                            {"mezery", LineLook::Chat, "   "},
                                            {"", LineLook::Chat, "pc12"},
                                            {"pc11 mává", LineLook::Action, {}, true},
                                            {"pc11 ", LineLook::Action, {}, true}}));
    }

    // Five notes at most are open; the rest are written down, and a closed box makes room.
    void notesOpenFiveBoxesAtMostAndWriteDownTheRest()
    {
        Fixture f;
        f.receive("MSGBOX", {"10.0.0.7", "pc12"});
        for (int i = 1; i <= 7; ++i)
            f.receive("MSGBOX", {"10.0.0.7", "pc12", QStringLiteral("přijď %1").arg(i)});
        QCOMPARE(f.notes.notes.size(), Messages::MaxOpenNotes);
        QCOMPARE(f.notes.notes.first().caption, QStringLiteral("zpráva od: pc12 [10.0.0.7]"));
        QCOMPARE(f.notes.notes.first().text, QStringLiteral("přijď 1"));
        QCOMPARE(f.transcript.lines,
                 (Lines{{"zpráva od: pc12 [10.0.0.7]: přijď 6", LineLook::Alert},
                        {"zpráva od: pc12 [10.0.0.7]: přijď 7", LineLook::Alert}}));
        f.notes.notes.first().close();
        f.receive("MSGBOX", {"10.0.0.7", "pc12", "přijď 8"});
        QCOMPARE(f.notes.notes.size(), Messages::MaxOpenNotes + 1);
        QCOMPARE(f.messages.openNotes(), Messages::MaxOpenNotes);
    }

    void attentionBringsTheWindowBackOnceInTwoSecondsWhenAsked()
    {
        Fixture f;
        f.receive("POPIT", {"Jana"});
        f.messages.setAttentionResponse(Messages::AttentionResponse::RestoreWindow);
        for (const qint64 at : {0, 1, 1999, 2000}) {
            f.now = at;
            f.receive("POPIT", {"Jana"});
        }
        QCOMPARE(f.transcript.lines.size(), 5);
        QCOMPARE(f.transcript.lines.first(),
                 (RecordedLine{"uživatel Jana vyžaduje vaši pozornost", LineLook::Alert}));
        QCOMPARE(f.attention.size(), 2);
    }

    // Only this host speaks as this station; a nick is cut wherever it is shown.
    void ownAddressIsOnlyTrustedFromThisHost()
    {
        Fixture f;
        f.know("10.0.0.1", "já");
        const QString nick(100, QLatin1Char('n'));
        for (const QString source : {"10.0.0.7", "127.0.0.1"}) {
            f.receive("MSG", {"10.0.0.1", "ahoj"}, source);
            f.receive("ALERT", {"10.0.0.1", nick, "mává"}, source);
            f.receive("MSGBOX", {"10.0.0.1", nick, "přijď"}, source);
        }
        const QString cut = nick.left(PeerText::MaxNickLength);
        QCOMPARE(f.transcript.lines, (Lines{{"ahoj", LineLook::Chat, "já"},
                                            {cut + " mává", LineLook::Action, {}, true}}));
        QCOMPARE(f.notes.notes.size(), 1);
        QCOMPARE(f.notes.notes.first().caption, "zpráva od: " + cut + " [10.0.0.1]");
    }

    void composerTellsLinesApart_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QByteArray>("data"); // empty: nothing is sent
        QTest::newRow("chat") << "ahoj" << QByteArray("MSG\t10.0.0.1\vahoj\r\n");
        QTest::newRow("empty") << "" << QByteArray("MSG\t10.0.0.1\v\r\n");
        QTest::newRow("action") << "/me Mává"
                                << QByteArray("ALERT\t10.0.0.1\vj\xE1\vM\xE1v\xE1\r\n");
        QTest::newRow("action upper") << "/ME x" << QByteArray("ALERT\t10.0.0.1\vj\xE1\vx\r\n");
        QTest::newRow("action alone") << "/me " << QByteArray("ALERT\t10.0.0.1\vj\xE1\v\r\n");
        QTest::newRow("me without blank") << "/me" << QByteArray("MSG\t10.0.0.1\v/me\r\n");
        QTest::newRow("about") << "/about" << QByteArray();
        QTest::newRow("about other case") << "/About" << QByteArray("MSG\t10.0.0.1\v/About\r\n");
        QTest::newRow("about with more") << "/about " << QByteArray("MSG\t10.0.0.1\v/about \r\n");
    }

    void composerTellsLinesApart()
    {
        QFETCH(QString, line);
        QFETCH(QByteArray, data);
        if (data.isEmpty()) {
            QCOMPARE(ComposerRules::kindOf(line), ComposerRules::Kind::About);
            return;
        }
        QCOMPARE(ComposerRules::dataFor(line, "10.0.0.1", QStringLiteral("já")), data);
    }

    void longestLineStillFitsAPacket()
    {
        const QString nick(300, QLatin1Char('n'));
        const int longest = ComposerRules::maxLineLength("10.0.0.1", nick);
        for (const QString& prefix : {QString(), QStringLiteral("/me ")}) {
            const QString line = prefix + QString(longest - prefix.size(), QLatin1Char('x'));
            QVERIFY(Framing::framePacket(ComposerRules::dataFor(line, "10.0.0.1", nick)));
        }
        const QString action = QStringLiteral("/me ") + QString(longest - 3, QLatin1Char('x'));
        QVERIFY(!Framing::framePacket(ComposerRules::dataFor(action, "10.0.0.1", nick)));
    }
};

QTEST_GUILESS_MAIN(tst_Handlers)
#include "tst_handlers.moc"
