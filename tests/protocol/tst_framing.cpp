#include "protocol/CommandDispatcher.h"
#include "protocol/Framing.h"
#include "protocol/WireCodec.h"

#include <QTest>

class tst_Framing final : public QObject {
    Q_OBJECT

private slots:
    // The length counts the command's data; a command without fields keeps its tab.
    void packetsAreByteExact()
    {
        const auto framed = [](const QByteArray& word, const QStringList& fields) {
            return *Framing::framePacket(Framing::commandData(word, fields));
        };
        QCOMPARE(framed("LOGON", {"10.0.0.7", "pc12", "user"}),
                 '\0' + QByteArray("26\x01LOGON\t10.0.0.7\vpc12\vuser\r\n\xFF"));
        QCOMPARE(framed("LOGOFF", {"10.0.0.7"}),
                 '\0' + QByteArray("17\x01LOGOFF\t10.0.0.7\r\n\xFF"));
        QCOMPARE(framed("PING", {}), '\0' + QByteArray("7\x01PING\t\r\n\xFF"));
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

    void noCharacterEncodesToTheEndByteAfterSanitising()
    {
        QString every;
        for (char16_t code = 1; code < 0xD800; ++code)
            every += QChar(code);
        QVERIFY(!Framing::sanitizeField(every).contains('\xFF'));
        QVERIFY(!Framing::sanitizeField(every).contains('\v'));
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

    void fieldsSplitAtEverySeparator()
    {
        QCOMPARE(CommandDispatcher::splitFields(""), QStringList());
        QCOMPARE(CommandDispatcher::splitFields("a"), QStringList{"a"});
        QCOMPARE(CommandDispatcher::splitFields("a\v\vb\v"), (QStringList{"a", "", "b", ""}));
        QCOMPARE(CommandDispatcher::splitFields("\x9E"), QStringList{QStringLiteral("ž")});
        // No field can start a line of its own or forge a stamp: control characters go.
        QCOMPARE(CommandDispatcher::splitFields(QByteArray("a\r\n[1]\0\t\177b", 10)),
                 QStringList{"a  [1]   b"});
    }
};

QTEST_GUILESS_MAIN(tst_Framing)
#include "tst_framing.moc"
