// The wire (frames, fields, code page, receive buffers) and one station fed crafted packets.
#include "FakeStation.h"
#include "core/protocol/ComposerRules.h"
#include "core/protocol/PeerText.h"
#include "core/protocol/RateLimiter.h"
#include "core/protocol/ReceiveBuffer.h"
#include "core/protocol/WireCodec.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <tuple>

namespace {
QByteArray packet(const QByteArray& word, const QStringList& fields)
{
    return *Framing::framePacket(Framing::commandData(word, fields));
}

QByteArray rawFrame(const QByteArray& length, const QByteArray& data)
{
    return QByteArray(1, '\0') + length + '\x01' + data + '\xFF';
}

QByteArrayList drain(ReceiveBuffer& buffer)
{
    QByteArrayList packets;
    while (const auto next = buffer.takeNext())
        packets << next->word + ':' + next->argument;
    return packets;
}

const QByteArray Logon = packet("LOGON", {"10.0.0.7", "pc12", "user"});
const QByteArray Ping = packet("PING", {"10.0.0.8", "pc13"});
const QByteArray PingCut = "PING:10.0.0.8\vpc13";
const QString LongNick(100, QLatin1Char('n')), CutNick = LongNick.left(PeerText::MaxNickLength);

struct Fixture : FakeStation {
    Fixture()
        : FakeStation(QStringLiteral("10.0.0.1"))
    {
    }
    QString lastCount() const { return counts.last().at(0).toString(); }
    QSignalSpy counts{&presence, &Presence::userCountChanged};
};
} // namespace

class tst_Protocol final : public QObject {
    Q_OBJECT

private slots:
    // Nothing a field holds can break the frame; every field comes back whole, decoded.
    void framesAndFieldsAreByteExact()
    {
        QCOMPARE(Logon, '\0' + QByteArray("26\x01LOGON\t10.0.0.7\vpc12\vuser\r\n\xFF"));
        QCOMPARE(packet("PING", {}), '\0' + QByteArray("7\x01PING\t\r\n\xFF"));
        const QByteArray fits(Framing::MaxDataLength, 'x');
        QCOMPARE(Framing::framePacket(fits)->mid(1, 5), QByteArray("32767"));
        QVERIFY(!Framing::framePacket(fits + 'x'));
        const std::pair<QString, QByteArray> fields[] = {
            {"a\vb", "a b"},         {QString::fromLatin1("a\0b\001c", 5), "a b c"},
            {"a\r\nb\nc", "a  b c"}, {"a\u02D9b", "a b"}, // dot above, the end byte
            {"a\tb", "a\tb"},        {"žluťoučký", "\x9Elu\x9Dou\xE8k\xFD"}};
        for (const auto& [field, sent] : fields) {
            QCOMPARE(Framing::sanitizeField(field), sent);
            const auto cut = Framing::cutNext(packet("MSG", {"1.2.3.4", field}));
            QCOMPARE(cut.status, Framing::CutResult::Status::Packet);
            QCOMPARE(CommandDispatcher::splitFields(cut.argument).size(), 2);
        }
        QCOMPARE(CommandDispatcher::splitFields(""), QStringList());
        QCOMPARE(CommandDispatcher::splitFields("a\v\vb\v"), (QStringList{"a", "", "b", ""}));
        // Nor start a line or forge a stamp: controls go, C1 ones from undefined bytes too.
        QCOMPARE(CommandDispatcher::splitFields(QByteArray("\x9E\r\n[1]\0\t\177\x81\x98z", 12)),
                 QStringList{"ž  [1]     z"});
        for (int byte = 0; byte < 256; ++byte) {
            const QByteArray one(1, char(byte));
            const WireCodec::Encoded back = WireCodec::encodeCounting(WireCodec::decode(one));
            QVERIFY2(back.bytes == one && back.replaced == 0, qPrintable(one.toHex()));
        }
    }

    // What the code page lacks goes as its nearest equivalent, else as a counted "?".
    void wireStandsInForWhatTheCodePageLacks()
    {
        const std::tuple<const char16_t*, QByteArray, int> cases[] = {
            {u"„Žluť“ ‚a‘ – — … • €",
             "\x84\x8Elu\x9D\x93 \x82"
             "a\x91 \x96 \x97 \x85 \x95 \x80",
             0},
            {u"a\u2010b\u2212c 1\u202F000\u2032", "a-b-c 1 000'", 0},
            {u"→☺Ж日", "????", 4},
            {u"a\U0001F600b", "a?b", 1}, // a surrogate pair is one character
            {u"co?", "co?", 0},
            {u"a\u200Bb\uFEFF", "ab", 0}}; // invisible format characters
        for (const auto& [text, sent, replaced] : cases) {
            const QString typed = QString::fromUtf16(text);
            const WireCodec::Encoded encoded = WireCodec::encodeCounting(typed);
            QCOMPARE(encoded.bytes, sent);
            QCOMPARE(int(encoded.replaced), replaced);
            QCOMPARE(WireCodec::encode(typed), sent);
            QVERIFY(sent.size() <= typed.size());
        }
    }

    // Whatever stands in front, the next good packet is still cut; "dropped": a piece was lost.
    void receivedBytesAreCut_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArrayList>("packets");
        QTest::addColumn<bool>("dropped");
        const auto cut = [](const char* name, const QByteArray& bytes, const QByteArray& packet) {
            QTest::newRow(name) << bytes << QByteArrayList{packet} << false;
        };
        const auto drop = [](const char* name, const QByteArray& bytes, bool dropped = true) {
            QTest::newRow(name) << bytes << QByteArrayList() << dropped;
        };
        cut("two in one datagram", Logon, "LOGON:10.0.0.7\vpc12\vuser");
        cut("exact", rawFrame("9", "PING\tab\r\n"), "PING:ab");
        cut("too long runs to the end", rawFrame("99", "PING\tab\r\n"), "PING:ab\r\n");
        cut("short cuts the argument", rawFrame("8", "PING\tab\r\n"), "PING:a");
        cut("leading blanks, trailing junk", rawFrame("  9x", "PING\tab\r\n"), "PING:ab");
        cut("later tabs are field text", rawFrame("10", "PING\ta\tb\r\n"), "PING:a\tb");
        cut("start markers in the text", rawFrame("12", QByteArray("PING\ta\0001\001b\r\n", 12)),
            QByteArray("PING:a\0001\001b", 10));
        cut("rest of an unended packet in front",
            QByteArray("\00030\001MSG\tx", 9) + rawFrame("10", QByteArray("PING\ta\0b\r\n", 10)),
            QByteArray("PING:a\0b", 8));
        drop("beginning of a packet, before its length end", Logon.left(2), false);
        drop("beginning of a packet, with its word", Logon.left(12), false);
        drop("end bytes alone", "\xFF\xFF\xFF");
        drop("no tab", rawFrame("6", "PING\r\n"));
        drop("no start", "6\x01PING\t\r\n\xFF");
        drop("no length end", '\0' + QByteArray("PING\t\r\n\xFF"));
        drop("tab before length end", rawFrame("\t6", "PING\t\r\n"));
        drop("length below word + 3", rawFrame("6", "PING\tab\r\n"));
        drop("length over 32767", rawFrame("32768", "PING\tab\r\n"));
        drop("huge length", rawFrame("99999999999999999999", "PING\tab\r\n"));
        drop("no CR LF", rawFrame("10", "PING\tab"));
        drop("cut by an end byte inside a field", rawFrame("12", "MSG\ta\377b\r\n"));
    }

    void receivedBytesAreCut()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArrayList, packets);
        ReceiveBuffer buffer;
        buffer.append(bytes);
        buffer.append(Ping);
        QCOMPARE(drain(buffer), packets << PingCut);
        QTEST(buffer.droppedPieces() > 0, "dropped");
        QCOMPARE(buffer.pendingBytes(), 0);
    }

    // Garbage is capped; packets survive any cut; a packet in hand is not handed out twice.
    void streamsAreCutWhereverTheyBreak()
    {
        ReceiveBuffer buffer;
        for (int i = 0; i < 30; ++i) {
            buffer.append(QByteArray(10000, 'x'));
            QVERIFY(drain(buffer).isEmpty() && buffer.pendingBytes() <= Framing::MaxPendingBytes);
        }
        QCOMPARE(buffer.pendingBytes(), Framing::MaxPendingBytes);
        buffer.append(Ping);
        QCOMPARE(drain(buffer), QByteArrayList{PingCut});

        QRandomGenerator random(1705);
        QByteArray stream;
        QByteArrayList sent, received;
        for (int i = 0; i < 200; ++i) {
            const QString nick = QStringLiteral("ž%1").arg(i);
            stream += packet("PING", {"10.0.0.8", nick});
            sent << "PING:10.0.0.8\v" + WireCodec::encode(nick);
        }
        for (qsizetype at = 0, size = 0; at < stream.size(); at += size) {
            size = random.bounded(1, 40);
            buffer.append(stream.mid(at, size));
            received += drain(buffer);
        }
        QCOMPARE(received, sent);

        buffer.append(Logon + Ping);
        QVERIFY(buffer.takeNext());
        buffer.append(packet("LOGOFF", {"10.0.0.9"}));
        QCOMPARE(drain(buffer).size(), 2); // the nested pass: PING and LOGOFF
        QVERIFY(!buffer.takeNext()); // the outer pass: nothing left
    }

    // Past MaxSources the least recently heard source loses its partial packet, nobody else.
    void oneSourceTooManyForgetsTheLeastRecentlyHeard()
    {
        const auto source = [](int i) { return QStringLiteral("10.1.0.%1").arg(i); };
        const QByteArray head = Ping.left(10), tail = Ping.mid(10);
        ReceiveBuffers buffers;
        for (int i = 0; i < ReceiveBuffers::MaxSources; ++i)
            buffers.of(source(i)).append(head);
        buffers.of(source(0)).append(""); // heard again: source 1 is now the least recent
        buffers.of(QStringLiteral("10.9.9.9")).append(head);
        QCOMPARE(buffers.sources(), ReceiveBuffers::MaxSources);
        QCOMPARE(buffers.pendingBytes(), ReceiveBuffers::MaxSources * head.size());
        for (const int i : {0, 2, ReceiveBuffers::MaxSources - 1}) {
            buffers.of(source(i)).append(tail);
            QCOMPARE(drain(buffers.of(source(i))), QByteArrayList{PingCut});
        }
        ReceiveBuffer& forgotten = buffers.of(source(1));
        forgotten.append(tail);
        QVERIFY(drain(forgotten).isEmpty());
    }

    // Announcing, answering a PING where it came from (five a second a source) and listing.
    void announcementsListAndAnswerStations()
    {
        Fixture f;
        f.presence.announce();
        f.presence.announceLeaving();
        QCOMPARE(f.sent, (QList<SentPacket>{{"LOGON\t10.0.0.1\vj\xE1\vuser\r\n", {}},
                                            {"PING\t10.0.0.1\vj\xE1\r\n", {}},
                                            {"LOGOFF\t10.0.0.1\r\n", {}}}));
        f.sent.clear();
        f.receive("PING", {"10.0.0.7", "pc12"}); // unknown: answered, not added
        f.receive("LOGON", {"10.0.0.7", "pc12", "user"});
        f.receive("LOGON", {"10.0.0.7", "pc12", "u1"});
        f.receive("PING", {"10.0.0.7", "pc12"}); // same nick: nothing to tell
        f.receive("PING", {"10.0.0.7", "Pc12"}); // case counts as a change
        f.receive("PTOING", {"10.0.0.8", "pc13", "kočka"});
        f.receive("LOGON", {"10.0.0.1", "já", "user"});
        f.receive("PTOING", {"10.0.0.9"});
        f.receive("PTOING", {"10.0.0.6", "pc11", ""});
        QCOMPARE(f.entries(),
                 (QStringList{"ip10.0.0.7=Pc12/user", "ip10.0.0.8=pc13/user", "ip10.0.0.1=já/u1",
                              "ip10.0.0.9=/user", "ip10.0.0.6=pc11/user"}));
        QCOMPARE(f.transcript.lines,
                 (Lines{{"uživatel pc12 vstoupil do diskuze", LineLook::Presence},
                        {"uživatel pc12 je nyní Pc12", LineLook::Action},
                        {"uživatel já vstoupil do diskuze", LineLook::Presence}}));
        QCOMPARE(f.lastCount(), QStringLiteral("uživatelé on-line: 5"));
        const SentPacket answer{"PTOING\t10.0.0.1\vj\xE1\vuser\r\n", {"10.0.0.7"}};
        QCOMPARE(f.sent, QList<SentPacket>(3, answer));
        for (int i = 0; i < 3; ++i)
            f.receive("PING", {"10.0.0.7", "Pc12"});
        f.now = 999;
        f.receive("PING", {"10.0.0.7", "Pc12"});
        QCOMPARE(f.sent.size(), 5);
        f.now = 1000;
        f.receive("PING", {"10.0.0.7", "Pc12"});
        f.receive("PING", {"10.0.0.8", "pc13"});
        QCOMPARE(f.sent.size(), 7);
    }

    // Past MaxKeys a new key waits until one has been quiet for a window.
    void rateLimiterHoldsAtMostMaxKeys()
    {
        qint64 now = 0;
        RateLimiter limiter(2, 1000, [&now] { return now; });
        const auto key = [](int i) { return QString::number(i); };
        for (int i = 0; i < RateLimiter::MaxKeys; ++i)
            QVERIFY(limiter.allow(key(i)));
        QVERIFY(!limiter.allow(QStringLiteral("new")));
        now = 1500;
        QVERIFY(limiter.allow(key(0)));
        now = 2000;
        QVERIFY(limiter.allow(QStringLiteral("new")) && limiter.allow(QStringLiteral("new")));
        QVERIFY(!limiter.allow(QStringLiteral("new")));
        QVERIFY(limiter.allow(key(0)) && !limiter.allow(key(0)));
        for (int i = 1; i < RateLimiter::MaxKeys - 1; ++i)
            QVERIFY(limiter.allow(QStringLiteral("n") + key(i)));
        QVERIFY(!limiter.allow(QStringLiteral("one too many")));
    }

    // An entry speaks only through the source that made it (10.0.1.1, this host) or itself.
    void onlyAnEntrysSourceOrItsOwnAddressSpeaksForIt_data()
    {
        QTest::addColumn<QByteArray>("word");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("source");
        QTest::addColumn<bool>("counts");
        const QList<std::tuple<QString, QString, bool>> speakers{
            {"10.0.0.9", "10.0.1.1", true},  {"10.0.0.9", "10.0.0.9", true},
            {"10.0.0.9", "10.0.0.7", false}, {"10.0.0.1", "127.0.0.1", true},
            {"10.0.0.1", "10.0.0.1", true},  {"10.0.0.1", "10.0.0.7", false}};
        for (const auto& [named, source, counts] : speakers) {
            const QList<std::pair<QByteArray, QStringList>> packets{
                {"LOGON", {named, "jiný", "user"}},
                {"PTOING", {named, "jiný", "user"}},
                {"PING", {named, "jiný"}},
                {"LOGOFF", {named}},
                {"MSG", {named, "ahoj"}},
                {"ALERT", {named, "jiný", "mává"}},
                {"MSGBOX", {named, "jiný", "přijď"}}};
            for (const auto& [word, fields] : packets)
                QTest::addRow("%s for %s from %s", word.constData(), qPrintable(named),
                              qPrintable(source))
                    << word << fields << source << counts;
        }
    }

    void onlyAnEntrysSourceOrItsOwnAddressSpeaksForIt()
    {
        QFETCH(QByteArray, word);
        QFETCH(QStringList, fields);
        QFETCH(QString, source);
        Fixture f;
        f.receive("LOGON", {"10.0.0.9", "za-bránou", "user"}, "10.0.1.1");
        f.receive("LOGON", {"10.0.0.1", "já", "user"}, "127.0.0.1");
        f.receive("LOGON", {"10.0.0.7", "pc12", "user"});
        const auto seen = [&f] {
            return std::tuple(f.entries(), f.transcript.lines.size(), f.notes.notes.size(),
                              f.sent.size());
        };
        const auto before = seen();
        f.receive(word, fields, source);
        QTEST(seen() != before, "counts");
    }

    // The roster's bounds, per source and overall; a station speaking takes its entry over.
    void theRosterStopsAtItsBounds()
    {
        Fixture f;
        for (int i = 1; i <= 10; ++i)
            f.receive("LOGON", {QStringLiteral("10.0.2.%1").arg(i), "x", "user"}, "10.0.0.7");
        f.receive("LOGOFF", {"10.0.2.1"}, "10.0.0.7");
        f.receive("PTOING", {"10.0.2.5", "x", "user"}, "10.0.0.7");
        f.receive("LOGON", {"10.0.0.7", "sám", "user"}); // its own entry is always its own
        QCOMPARE(f.roster.count(), Roster::MaxEntriesPerSource + 1);
        f.receive("MSG", {"10.0.2.5", "od stanice"});
        f.receive("MSG", {"10.0.2.5", "od brány"}, "10.0.0.7");
        QCOMPARE(f.transcript.lines.last(), RecordedLine("od stanice", LineLook::Chat, "x"));
        f.receive("LOGON", {"10.0.2.6", "x", "user"}, "10.0.0.7");
        QCOMPARE(f.roster.count(), Roster::MaxEntriesPerSource + 2);
        for (int i = f.roster.count(); i < Roster::MaxEntries; ++i)
            f.receive("PTOING", {QStringLiteral("10.1.%1.%2").arg(i / 256).arg(i % 256), "x"});
        f.receive("LOGON", {"10.0.0.9", "pozdní", "user"});
        f.receive("PTOING", {"10.0.2.2", "známý", "user"}, "10.0.0.7");
        QCOMPARE(f.roster.count(), Roster::MaxEntries);
        QCOMPARE(f.roster.rowOf("ip10.0.0.9"), -1);
        QCOMPARE(f.shown("uživatel pozdní vstoupil do diskuze"), 0);
        QCOMPARE(f.roster.at(f.roster.rowOf("ip10.0.2.2")).nick, QStringLiteral("známý"));
    }

    // Lines past a source's budget are held back and told, busiest first; never this host's.
    void linesBeyondASourcesBudgetAreHeldBackAndTold()
    {
        Fixture f;
        f.lines.setNoticeInterval(std::chrono::milliseconds(1));
        f.receive("LOGON", {"10.0.0.1", "já", "user"});
        f.receive("LOGON", {"10.0.0.7", "pc12", "user"});
        for (int i = 0; i < 60; ++i) {
            f.receive("MSG", {"10.0.0.7", "spam"});
            f.receive("MSG", {"10.0.0.1", "vlastní"});
        }
        f.now = 1000;
        for (int i = 0; i < 20; ++i)
            f.receive("MSG", {"10.0.0.7", "spam"});
        for (int station = 1; station <= 6; ++station)
            for (int i = 0; i <= LineBudget::BurstLines; ++i)
                f.receive("ALERT", {QStringLiteral("10.0.3.%1").arg(station), "x", "y"});
        QCOMPARE(f.shown("spam"), LineBudget::BurstLines - 1 + LineBudget::LinesPerSecond);
        QCOMPARE(f.shown("vlastní"), 60);
        QCOMPARE(f.lines.heldBack(), 27u);
        QTRY_COMPARE(f.lines.heldBack(), 0u);
        const Lines notices = f.transcript.lines.mid(f.transcript.lines.size() - 6);
        QCOMPARE(notices.first(),
                 RecordedLine("stanice 10.0.0.7 posílá příliš mnoho zpráv: 21 zpráv nezobrazeno",
                              LineLook::Alert));
        QCOMPARE(notices.last(),
                 RecordedLine("další stanice posílají příliš mnoho zpráv: 2 zpráv nezobrazeno",
                              LineLook::Alert));
    }

    // A LOGOFF moves the last entry into the removed row and always refreshes the count.
    void logoffRemovesKnownUsersAndMovesOnlyTheLastEntry()
    {
        Fixture f;
        for (int i = 2; i <= 5; ++i)
            f.receive("PTOING", {QStringLiteral("10.0.0.%1").arg(i), "pc12"});
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
        const auto counted = f.counts.size();
        for (const QByteArray word : {"logon", "HELLO", "PING", "MSG", "ALERT", "MSGBOX"})
            f.receive(word, {});
        QCOMPARE(f.counts.size(), counted);
        f.receive("LOGON", {});
        f.receive("LOGOFF", {});
        QCOMPARE(f.counts.size(), counted + 2);
        QCOMPARE(f.lastCount(), QStringLiteral("uživatelé on-line: 3"));
        QCOMPARE(f.transcript.lines,
                 Lines{RecordedLine("uživatel pc12 opustli chat", LineLook::Presence, {}, true)});
        QVERIFY(f.sent.isEmpty());
    }

    // Chat only from the listed; five notes open at most; attention once in two seconds.
    void linesNotesAndAttention()
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
        f.receive("ALERT", {"10.0.0.6", LongNick, "mává"});
        f.receive("ALERT", {"10.0.0.6", "pc11", ""});
        f.receive("ALERT", {"10.0.0.6", "pc11"});
        QCOMPARE(f.transcript.lines, (Lines{{"ahoj", LineLook::Chat, "pc12"},
                                            {"kdo jsem", LineLook::Chat, "anonymní"},
                                            {"mezery", LineLook::Chat, "   "},
                                            {"", LineLook::Chat, "pc12"},
                                            {CutNick + " mává", LineLook::Action, {}, true},
                                            {"pc11 ", LineLook::Action, {}, true}}));
        f.transcript.lines.clear();

        f.receive("MSGBOX", {"10.0.0.7", "pc12"});
        f.receive("MSGBOX", {"10.0.0.7", LongNick, "přijď 1"});
        for (int i = 2; i <= 7; ++i)
            f.receive("MSGBOX", {"10.0.0.7", "pc12", QStringLiteral("přijď %1").arg(i)});
        QCOMPARE(f.notes.notes.size(), Messages::MaxOpenNotes);
        QCOMPARE(f.notes.notes.first().caption, "zpráva od: " + CutNick + " [10.0.0.7]");
        QCOMPARE(f.notes.notes.first().text, QStringLiteral("přijď 1"));
        QCOMPARE(f.transcript.lines,
                 (Lines{{"zpráva od: pc12 [10.0.0.7]: přijď 6", LineLook::Alert},
                        {"zpráva od: pc12 [10.0.0.7]: přijď 7", LineLook::Alert}}));
        f.notes.notes.first().close();
        f.receive("MSGBOX", {"10.0.0.7", "pc12", "přijď 8"});
        QCOMPARE(f.notes.notes.size(), Messages::MaxOpenNotes + 1);
        QCOMPARE(f.messages.openNotes(), Messages::MaxOpenNotes);

        QSignalSpy attention(&f.messages, &Messages::attentionRequested);
        f.receive("POPIT", {"Jana"});
        f.messages.setAttentionResponse(Messages::AttentionResponse::RestoreWindow);
        for (const qint64 at : {0, 1, 1999, 2000}) {
            f.now = at;
            f.receive("POPIT", {"Jana"});
        }
        QCOMPARE(f.shown("uživatel Jana vyžaduje vaši pozornost"), 5);
        QCOMPARE(attention.size(), 2);
    }

    void composerTellsLinesApart()
    {
        const std::pair<const char*, QByteArray> cases[] = {
            {"ahoj", "MSG\t10.0.0.1\vahoj\r\n"},
            {"", "MSG\t10.0.0.1\v\r\n"},
            {"/me Mává", "ALERT\t10.0.0.1\vj\xE1\vM\xE1v\xE1\r\n"},
            {"/ME x", "ALERT\t10.0.0.1\vj\xE1\vx\r\n"},
            {"/me ", "ALERT\t10.0.0.1\vj\xE1\v\r\n"},
            {"/me", "MSG\t10.0.0.1\v/me\r\n"},
            {"/about", {}},
            {"/About", "MSG\t10.0.0.1\v/About\r\n"},
            {"/about ", "MSG\t10.0.0.1\v/about \r\n"}};
        for (const auto& [line, data] : cases) {
            const QString typed = QString::fromUtf8(line);
            QCOMPARE(ComposerRules::kindOf(typed) == ComposerRules::Kind::About, data.isEmpty());
            if (!data.isEmpty())
                QCOMPARE(ComposerRules::dataFor(typed, "10.0.0.1", QStringLiteral("já")), data);
        }
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

QTEST_GUILESS_MAIN(tst_Protocol)
#include "tst_protocol.moc"
