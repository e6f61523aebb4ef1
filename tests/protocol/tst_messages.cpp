#include "Handlers.h"
#include "protocol/ComposerRules.h"
#include "protocol/PeerText.h"

#include <QTest>

using Fixture = Handlers;

class tst_Messages final : public QObject {
    Q_OBJECT

private slots:
    void chatLinesAreWrittenUnderTheRosterNick()
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
        QCOMPARE(f.transcript.lines, (Lines{{"ahoj", 10, "pc12"},
                                            {"kdo jsem", 10, "anonymní"},
                                            {"mezery", 10, "   "},
                                            {"", 10, "pc12"}}));
    }

    void actionsNeedNoRosterButTheirText()
    {
        Fixture f;
        f.receive("ALERT", {"10.0.0.7", "pc12", "mává"});
        f.receive("ALERT", {"10.0.0.7", "pc12", ""});
        f.receive("ALERT", {"10.0.0.7", "pc12"});
        QCOMPARE(f.transcript.lines, (Lines{{"pc12 mává", 2, " "}, {"pc12 ", 2, " "}}));
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
        QCOMPARE(f.transcript.lines, (Lines{{"zpráva od: pc12 [10.0.0.7]: přijď 6", 4, ""},
                                            {"zpráva od: pc12 [10.0.0.7]: přijď 7", 4, ""}}));
        f.notes.notes.first().close();
        f.receive("MSGBOX", {"10.0.0.7", "pc12", "přijď 8"});
        QCOMPARE(f.notes.notes.size(), Messages::MaxOpenNotes + 1);
        QCOMPARE(f.messages.openNotes(), Messages::MaxOpenNotes);
    }

    void attentionBringsTheWindowBackOnceInTwoSecondsWhenAsked()
    {
        Fixture f;
        f.receive("POPIT", {"Jana"});
        f.messages.setWakeType(1);
        for (const qint64 at : {0, 1, 1999, 2000}) {
            f.now = at;
            f.receive("POPIT", {"Jana"});
        }
        QCOMPARE(f.transcript.lines.size(), 5);
        QCOMPARE(f.transcript.lines.first(),
                 (RecordedLine{"uživatel Jana vyžaduje vaši pozornost", 4, ""}));
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
        QCOMPARE(f.transcript.lines, (Lines{{"ahoj", 10, "já"}, {cut + " mává", 2, " "}}));
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

QTEST_GUILESS_MAIN(tst_Messages)
#include "tst_messages.moc"
