#include "transfer/TransferText.h"

#include <QTest>

class tst_TransferText final : public QObject {
    Q_OBJECT

private slots:
    void sizesShowWithoutALoneSeparator_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("czech");
        const auto row = [](const char* name, qint64 bytes, QString czech) {
            QTest::newRow(name) << bytes << czech;
        };
        row("empty", 0, "0 MB");
        row("4 KiB", 4096, "0 MB");
        row("rounds up", 5243, "0,01 MB");
        row("half", 524288, "0,5 MB");
        row("one", 1048576, "1 MB");
        row("quarter", 1310720, "1,25 MB");
        row("over 2 GiB, no grouping", qint64(3) << 30, "3072 MB");
    }

    void sizesShowWithoutALoneSeparator()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, czech);
        QCOMPARE(TransferText::megabytes(bytes, QLocale(QLocale::Czech)), czech);
        QCOMPARE(TransferText::megabytes(bytes, QLocale(QLocale::English)),
                 QString(czech).replace(',', '.'));
    }

    void percentagesAreWholeAndBounded()
    {
        const QLocale czech(QLocale::Czech);
        QCOMPARE(TransferText::percent(0, czech), QStringLiteral("0 %"));
        QCOMPARE(TransferText::percent(0.573, czech), QStringLiteral("57 %"));
        QCOMPARE(TransferText::percent(1.7, czech), QStringLiteral("100 %"));
    }

    void offeredNamesNeverChooseAFolder_data()
    {
        QTest::addColumn<QString>("offered");
        QTest::addColumn<QString>("proposed");
        const auto row = [](const char* name, QString offered, QString proposed) {
            QTest::newRow(name) << offered << proposed;
        };
        row("plain", "zpráva.doc", "zpráva.doc");
        row("climbing up", "../../x", "x");
        row("drive", "C:\\x", "x");
        row("drive only", "C:x", "x");
        row("absolute", "/etc/passwd", "passwd");
        row("empty", "", "soubor");
        row("folder", "dir/", "soubor");
        row("dots", "..", "soubor");
        row("hidden", "...bashrc", "bashrc");
        row("controls", "a\x01\tb\x7F\r\n.txt", "ab.txt");
        row("long", QString(300, 'n'), QString(120, 'n'));
    }

    void offeredNamesNeverChooseAFolder()
    {
        QFETCH(QString, offered);
        QFETCH(QString, proposed);
        QCOMPARE(TransferText::proposedSaveName(offered), proposed);
    }
};

QTEST_GUILESS_MAIN(tst_TransferText)
#include "tst_transfertext.moc"
