#include "transfer/TransferText.h"

#include <QTest>

class tst_TransferText final : public QObject {
    Q_OBJECT

private slots:
    void sizesShowWithoutALoneSeparator_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("czech");
        QTest::addColumn<QString>("english");
        QTest::newRow("empty") << qint64(0) << "0 MB"
                               << "0 MB";
        QTest::newRow("4 KiB") << qint64(4096) << "0 MB"
                               << "0 MB";
        QTest::newRow("rounds up") << qint64(5243) << "0,01 MB"
                                   << "0.01 MB";
        QTest::newRow("half") << qint64(524288) << "0,5 MB"
                              << "0.5 MB";
        QTest::newRow("one") << qint64(1048576) << "1 MB"
                             << "1 MB";
        QTest::newRow("quarter") << qint64(1310720) << "1,25 MB"
                                 << "1.25 MB";
        QTest::newRow("over 2 GiB, no grouping") << qint64(3) * 1024 * 1048576 << "3072 MB"
                                                 << "3072 MB";
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
        QTest::newRow("plain") << "zpráva.doc"
                               << "zpráva.doc";
        QTest::newRow("climbing up") << "../../x"
                                     << "x";
        QTest::newRow("drive") << "C:\\x"
                               << "x";
        QTest::newRow("drive only") << "C:x"
                                    << "x";
        QTest::newRow("absolute") << "/etc/passwd"
                                  << "passwd";
        QTest::newRow("empty") << ""
                               << "soubor";
        QTest::newRow("folder") << "dir/"
                                << "soubor";
        QTest::newRow("dots") << ".."
                              << "soubor";
        QTest::newRow("hidden") << "...bashrc"
                                << "bashrc";
        QTest::newRow("controls") << QStringLiteral("a\x01\tb\x7F\r\n.txt") << "ab.txt";
        QTest::newRow("long") << QString(300, QLatin1Char('n')) << QString(120, QLatin1Char('n'));
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
