// The wire: packets framed byte for byte, fields that cannot break a frame, the code page, and
// the receive buffer that cuts packets out of whatever arrives.
#include "core/protocol/CommandDispatcher.h"
#include "core/protocol/Framing.h"
#include "core/protocol/ReceiveBuffer.h"
#include "core/protocol/WireCodec.h"

#include <QRandomGenerator>
#include <QTest>

namespace {
QByteArray packet(const QByteArray& word, const QStringList& fields)
{
    return *Framing::framePacket(Framing::commandData(word, fields));
}

// A frame put together by hand, as a careless or hostile peer might send it.
QByteArray rawFrame(const QByteArray& length, const QByteArray& data)
{
    return QByteArray(1, '\0') + length + '\x01' + data + '\xFF';
}

QList<QByteArray> drain(ReceiveBuffer& buffer)
{
    QList<QByteArray> words;
    while (const auto next = buffer.takeNext())
        words << next->word + ':' + next->argument;
    return words;
}

const QByteArray Logon = packet("LOGON", {"10.0.0.7", "pc12", "user"});
const QByteArray Ping = packet("PING", {"10.0.0.8", "pc13"});
} // namespace

class tst_Framing final : public QObject {
    Q_OBJECT

private slots:
    // The length counts the command's data; a command without fields keeps its tab.
    void packetsAreByteExact()
    {
        QCOMPARE(packet("LOGON", {"10.0.0.7", "pc12", "user"}),
                 '\0' + QByteArray("26\x01LOGON\t10.0.0.7\vpc12\vuser\r\n\xFF"));
        QCOMPARE(packet("LOGOFF", {"10.0.0.7"}),
                 '\0' + QByteArray("17\x01LOGOFF\t10.0.0.7\r\n\xFF"));
        QCOMPARE(packet("PING", {}), '\0' + QByteArray("7\x01PING\t\r\n\xFF"));
    }

    void framingRefusesDataThatTheLengthFieldCannotHold()
    {
        const QByteArray fits(Framing::MaxDataLength, 'x');
        QVERIFY(Framing::framePacket(fits));
        QCOMPARE(Framing::framePacket(fits)->mid(1, 5), QByteArray("32767"));
        QVERIFY(!Framing::framePacket(fits + 'x'));
    }

    void fieldsCannotBreakTheFrame_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QByteArray>("sent");
        const auto row = [](const char* name, QString field, QByteArray sent) {
            QTest::newRow(name) << field << sent;
        };
        row("separator", "a\vb", "a b");
        row("markers", QString::fromLatin1("a\0b\001c", 5), "a b c");
        row("line breaks", "a\r\nb\nc", "a  b c");
        row("dot above, the end byte", "a\u02D9b", "a b");
        row("tab stays", "a\tb", "a\tb");
        row("czech stays", "žluťoučký", "\x9Elu\x9Dou\xE8k\xFD");
    }

    void fieldsCannotBreakTheFrame()
    {
        QFETCH(QString, field);
        QFETCH(QByteArray, sent);
        QCOMPARE(Framing::sanitizeField(field), sent);
        // The field comes back whole at a receiver: one field, nothing cut off.
        const QByteArray data = Framing::commandData("MSG", {QStringLiteral("1.2.3.4"), field});
        const auto cut = Framing::cutNext(*Framing::framePacket(data));
        QCOMPARE(cut.status, Framing::CutResult::Status::Packet);
        QCOMPARE(CommandDispatcher::splitFields(cut.argument).size(), 2);
    }

    void codecRoundTripsEveryCzechLetter()
    {
        const QString letters = QStringLiteral("áčďéěíňóřšťúůýžÁČĎÉĚÍŇÓŘŠŤÚŮÝŽ");
        const QByteArray bytes = WireCodec::encode(letters);
        QCOMPARE(bytes.size(), letters.size());
        QVERIFY(!bytes.contains('?'));
        QCOMPARE(WireCodec::decode(bytes), letters);
        QCOMPARE(WireCodec::decode("\xFF"), QStringLiteral("\u02D9"));
        QCOMPARE(WireCodec::encode(QStringLiteral("€ 日")), QByteArray("\x80 ?"));
    }

    // Typographic characters the code page lacks go as their nearest equivalent; what has no
    // equivalent goes as "?" and is counted, once per character, so the composer can warn.
    void wireStandsInForWhatTheCodePageLacks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<int>("replaced");
        const auto row = [](const char* name, const char16_t* text, QByteArray sent, int lost) {
            QTest::newRow(name) << QString::fromUtf16(text) << sent << lost;
        };
        row("quotes and dashes it has", u"„Žluť“ ‚a‘ – — … •",
            "\x84\x8E"
            "lu\x9D\x93 \x82"
            "a\x91 \x96 \x97 \x85 \x95",
            0);
        row("hyphens and minus", u"a\u2010b\u2011c\u2212d", "a-b-c-d", 0);
        row("figure dash and bar", u"\u2012\u2015", "\x96\x97", 0);
        row("thin and other spaces", u"1\u202F000\u2009\u2003\u00A0", "1 000  \xA0", 0);
        row("primes", u"5\u2032 3\u2033", "5' 3\"", 0);
        row("no equivalent", u"→☺Ж", "???", 3);
        row("a surrogate pair is one character", u"a\U0001F600b", "a?b", 1);
        row("a typed question mark", u"co?", "co?", 0);
        row("invisible format characters", u"a\u200Bb\uFEFF", "ab", 0);
    }
    void wireStandsInForWhatTheCodePageLacks()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, sent);
        QFETCH(int, replaced);
        const WireCodec::Encoded encoded = WireCodec::encodeCounting(text);
        QCOMPARE(encoded.bytes, sent);
        QCOMPARE(encoded.replaced, replaced);
        QCOMPARE(WireCodec::encode(text), sent);
        // Never more bytes than characters: the composer's length limit counts on it.
        QVERIFY(sent.size() <= text.size());
    }

    void everyCharacterOfTheCodePageGoesOutAsBefore()
    {
        for (int byte = 0; byte < 256; ++byte) {
            const QByteArray one(1, char(byte));
            const WireCodec::Encoded encoded = WireCodec::encodeCounting(WireCodec::decode(one));
            QVERIFY2(encoded.bytes == one && encoded.replaced == 0, qPrintable(one.toHex()));
        }
    }

    void fieldsSplitAtEverySeparator()
    {
        QCOMPARE(CommandDispatcher::splitFields(""), QStringList());
        QCOMPARE(CommandDispatcher::splitFields("a"), QStringList{"a"});
        QCOMPARE(CommandDispatcher::splitFields("a\v\vb\v"), (QStringList{"a", "", "b", ""}));
        QCOMPARE(CommandDispatcher::splitFields("\x9E"), QStringList{QStringLiteral("ž")});
        // No field can start a line of its own or forge a stamp: control characters go.
        QCOMPARE(CommandDispatcher::splitFields(QByteArray("a\r\n[1]\0\t\177b", 10)),
                 QStringList{"a  [1]   b"});
        // Nor can the bytes the code page leaves undefined, which decode to C1 controls.
        QCOMPARE(CommandDispatcher::splitFields("a\x81\x83\x88\x90\x98z"), QStringList{"a     z"});
    }

    void packetsAreHandedOutInTheirOrderAndEndBytesAloneLeaveNothing()
    {
        ReceiveBuffer buffer;
        buffer.append("\xFF\xFF\xFF");
        QVERIFY(drain(buffer).isEmpty());
        QCOMPARE(buffer.pendingBytes(), 0);
        buffer.append(Logon + Ping);
        QCOMPARE(drain(buffer),
                 (QList<QByteArray>{"LOGON:10.0.0.7\vpc12\vuser", "PING:10.0.0.8\vpc13"}));
        QCOMPARE(buffer.pendingBytes(), 0);
    }

    void lengthDecidesWhereTheArgumentEnds_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QByteArray>("argument");
        const auto row = [](const char* name, QByteArray frame, QByteArray argument) {
            QTest::newRow(name) << frame << argument;
        };
        row("exact", rawFrame("9", "PING\tab\r\n"), "ab");
        row("too long runs to the end", rawFrame("99", "PING\tab\r\n"), "ab\r\n");
        row("short cuts the argument", rawFrame("8", "PING\tab\r\n"), "a");
        row("shortest", rawFrame("7", "PING\tab\r\n"), "");
        row("leading blanks, trailing junk", rawFrame("  9x", "PING\tab\r\n"), "ab");
        row("later tabs are field text", rawFrame("10", "PING\ta\tb\r\n"), "a\tb");
        row("start markers in the text", rawFrame("12", QByteArray("PING\ta\0001\001b\r\n", 12)),
            QByteArray("a\0001\001b", 5));
        row("rest of an unended packet in front",
            QByteArray("\00030\001MSG\tx", 9) + rawFrame("10", QByteArray("PING\ta\0b\r\n", 10)),
            QByteArray("a\0b", 3));
    }

    void lengthDecidesWhereTheArgumentEnds()
    {
        QFETCH(QByteArray, frame);
        QFETCH(QByteArray, argument);
        ReceiveBuffer buffer;
        buffer.append(frame);
        QCOMPARE(drain(buffer), QList<QByteArray>{"PING:" + argument});
    }

    // Each of these can never be cut; it goes, and the packet after it is still handled.
    void piecesWithoutValidCutAreDropped_data()
    {
        QTest::addColumn<QByteArray>("piece");
        QTest::newRow("no tab") << rawFrame("6", "PING\r\n");
        QTest::newRow("no start") << QByteArray("6\x01PING\t\r\n\xFF");
        QTest::newRow("no length end") << '\0' + QByteArray("PING\t\r\n\xFF");
        QTest::newRow("tab before length end") << rawFrame("\t6", "PING\t\r\n");
        QTest::newRow("length below word + 3") << rawFrame("6", "PING\tab\r\n");
        QTest::newRow("length over 32767") << rawFrame("32768", "PING\tab\r\n");
        QTest::newRow("huge length") << rawFrame("99999999999999999999", "PING\tab\r\n");
        QTest::newRow("no CR LF") << rawFrame("10", "PING\tab");
        QTest::newRow("cut by an end byte inside a field") << rawFrame("12", "MSG\ta\377b\r\n");
    }

    void piecesWithoutValidCutAreDropped()
    {
        QFETCH(QByteArray, piece);
        ReceiveBuffer buffer;
        buffer.append(piece);
        buffer.append(Ping);
        QCOMPARE(drain(buffer), QList<QByteArray>{"PING:10.0.0.8\vpc13"});
        QVERIFY(buffer.droppedPieces() > 0);
        QCOMPARE(buffer.pendingBytes(), 0);
    }

    void restOfAnIncompletePieceInFrontIsDiscarded_data()
    {
        QTest::addColumn<int>("kept");
        QTest::newRow("before its length end") << 2;
        QTest::newRow("with its length end and word") << 12;
    }

    void restOfAnIncompletePieceInFrontIsDiscarded()
    {
        QFETCH(int, kept);
        ReceiveBuffer buffer;
        buffer.append(Logon.left(kept));
        QVERIFY(drain(buffer).isEmpty());
        buffer.append(Ping);
        QCOMPARE(drain(buffer), QList<QByteArray>{"PING:10.0.0.8\vpc13"});
    }

    void garbageStreamIsCappedAndTheNextPacketStillGetsThrough()
    {
        ReceiveBuffer buffer;
        const QByteArray garbage(10000, 'x');
        for (int i = 0; i < 30; ++i) {
            buffer.append(garbage);
            QVERIFY(drain(buffer).isEmpty());
            QVERIFY(buffer.pendingBytes() <= Framing::MaxPendingBytes);
        }
        QCOMPARE(buffer.pendingBytes(), Framing::MaxPendingBytes);
        buffer.append(Ping);
        QCOMPARE(drain(buffer), QList<QByteArray>{"PING:10.0.0.8\vpc13"});
    }

    // A stream of good packets survives being cut into datagrams anywhere. (Random bytes are
    // the fuzz target's.)
    void survivesRandomCuts()
    {
        QRandomGenerator random(1705);
        QByteArray stream;
        QList<QByteArray> sent;
        for (int i = 0; i < 200; ++i) {
            const QString nick = QStringLiteral("ž%1").arg(i);
            stream += packet("PING", {"10.0.0.8", nick});
            sent << "PING:10.0.0.8\v" + WireCodec::encode(nick);
        }
        ReceiveBuffer buffer;
        QList<QByteArray> received;
        for (qsizetype at = 0; at < stream.size();) {
            const qsizetype size = random.bounded(1, 40);
            buffer.append(stream.mid(at, size));
            received += drain(buffer);
            at += size;
        }
        QCOMPARE(received, sent);
    }

    // A handler that waits (a box left open) lets later arrivals be handled meanwhile; the
    // packet it is handling must not be handed out a second time.
    void packetInHandIsNotHandedOutAgain()
    {
        ReceiveBuffer buffer;
        buffer.append(Logon + Ping);
        const auto first = buffer.takeNext();
        QVERIFY(first);
        buffer.append(packet("LOGOFF", {"10.0.0.9"}));
        QCOMPARE(drain(buffer).size(), 2); // the nested pass: PING and LOGOFF
        QVERIFY(!buffer.takeNext()); // the outer pass: nothing left
    }
};

QTEST_GUILESS_MAIN(tst_Framing)
#include "tst_framing.moc"
