#include "protocol/CommandDispatcher.h"
#include "protocol/Framing.h"
#include "protocol/WireCodec.h"

#include <QTest>

class tst_Framing final : public QObject {
    Q_OBJECT

private slots:
    void logonFromPc12IsByteExact()
    {
        const QByteArray data = Framing::commandData(
            "LOGON", {QStringLiteral("10.0.0.7"), QStringLiteral("pc12"), QStringLiteral("user")});
        QCOMPARE(data, QByteArray("LOGON\t10.0.0.7\x0Bpc12\x0Buser\r\n"));
        QCOMPARE(data.size(), 26);
        const auto datagram = Framing::framePacket(data);
        QVERIFY(datagram);
        QCOMPARE(*datagram, QByteArray("\x00\x32\x36\x01", 4) + data + QByteArray("\xFF"));
    }

    void logoffHasLength17()
    {
        const QByteArray data = Framing::commandData("LOGOFF", {QStringLiteral("10.0.0.7")});
        QCOMPARE(data.size(), 17);
        QVERIFY(Framing::framePacket(data)->startsWith(QByteArray("\x00"
                                                                  "17\x01",
                                                                  4)));
    }

    void commandWithoutFieldsKeepsItsTab()
    {
        QCOMPARE(Framing::commandData("PING", {}), QByteArray("PING\t\r\n"));
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
        QTest::newRow("separator") << QStringLiteral("a\x0B"
                                                     "b")
                                   << QByteArray("a b");
        QTest::newRow("markers") << QString::fromLatin1("a\x00"
                                                        "b\x01"
                                                        "c",
                                                        5)
                                 << QByteArray("a b c");
        QTest::newRow("line breaks") << QStringLiteral("a\r\nb\nc") << QByteArray("a  b c");
        QTest::newRow("dot above, the end byte") << QStringLiteral("a\u02D9b") << QByteArray("a b");
        QTest::newRow("tab stays") << QStringLiteral("a\tb") << QByteArray("a\tb");
        QTest::newRow("czech stays")
            << QStringLiteral("žluťoučký") << QByteArray("\x9Elu\x9Dou\xE8k\xFD");
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
        QVERIFY(!Framing::sanitizeField(every).contains('\x0B'));
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
        QCOMPARE(CommandDispatcher::splitFields("a\x0B\x0B"
                                                "b\x0B"),
                 (QStringList{"a", "", "b", ""}));
        QCOMPARE(CommandDispatcher::splitFields("\x9E"), QStringList{QStringLiteral("ž")});
        // No field can start a line of its own or forge a stamp: control characters go.
        QCOMPARE(CommandDispatcher::splitFields(QByteArray("a\r\n[1]\0\t\x7F"
                                                           "b",
                                                           10)),
                 QStringList{"a  [1]   b"});
    }
};

QTEST_GUILESS_MAIN(tst_Framing)
#include "tst_framing.moc"
