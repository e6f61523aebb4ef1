#include "protocol/Framing.h"
#include "protocol/ReceiveBuffer.h"
#include "protocol/WireCodec.h"

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

class tst_ReceiveBuffer final : public QObject {
    Q_OBJECT

private slots:
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

QTEST_GUILESS_MAIN(tst_ReceiveBuffer)
#include "tst_receivebuffer.moc"
