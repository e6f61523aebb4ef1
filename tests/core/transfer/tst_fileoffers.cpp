// The handshake over crafted packets: who is asked, who is answered, and who can take a file;
// the sizes and names the question shows.
#include "TransferFakes.h"
#include "core/transfer/Transfer.h"
#include "core/transfer/TransferText.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString Me = QStringLiteral("10.0.0.1");
const QString Peer = QStringLiteral("10.0.0.5"); // field 0 of the offers it makes
const QString Source = QStringLiteral("10.0.0.9"); // where its datagrams come from
const QByteArray Refusal = QByteArrayLiteral("REFUSEFILE\tuser1\v254120\r\n");

struct Offers : TransferStation {
    Offers()
        : TransferStation(Me, network)
    {
        QLocale::setDefault(QLocale(QLocale::Czech));
    }
    void offerFrom(const QString& source, const QString& name = QStringLiteral("zprava.doc"),
                   const QString& size = QStringLiteral("254120"))
    {
        receive("SENDFILE", {Peer, QStringLiteral("Jana"), size, name}, source);
    }
    QString file(const QString& name, qint64 size = 10)
    {
        QFile file(dir.filePath(name));
        file.open(QIODevice::WriteOnly);
        file.resize(size);
        return file.fileName();
    }
    RecordingNetwork network;
    QTemporaryDir dir;
};
} // namespace

class tst_FileOffers final : public QObject {
    Q_OBJECT

private slots:
    void answersGoWhereTheOfferCameFrom_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("no") << false << false << Refusal;
        QTest::newRow("save cancelled") << true << false << Refusal;
        QTest::newRow("accepted") << true << true << QByteArray("ACCEPTFILE\t10.0.0.1\v");
    }

    void answersGoWhereTheOfferCameFrom()
    {
        QFETCH(bool, yes);
        QFETCH(bool, saved);
        QFETCH(QByteArray, answer);
        Offers f;
        f.offerFrom(Source);
        QCOMPARE(f.prompts.questions.size(), 1);
        QCOMPARE(f.prompts.questions[0].text,
                 QStringLiteral("uživatel Jana vám zasílá soubor: \nzprava.doc\nvelikost: 0,24 MB"
                                "\n\nChcete soubor přijmout?"));
        f.prompts.questions[0].answer(yes);
        if (yes) {
            QCOMPARE(f.prompts.saveDialogs.size(), 1);
            QCOMPARE(f.prompts.saveDialogs[0].title, QStringLiteral("uložit soubor od Jana"));
            QCOMPARE(f.prompts.saveDialogs[0].proposed, QStringLiteral("zprava.doc"));
            f.prompts.saveDialogs[0].choose(saved ? f.dir.filePath("x") : QString());
        }
        QCOMPARE(f.sent.size(), 1);
        QCOMPARE(f.sent[0].to, QStringList{Source});
        QVERIFY2(f.sent[0].data.startsWith(answer), f.sent[0].data.constData());
        if (saved)
            QVERIFY(f.sent[0].data.endsWith("\vzprava.doc\r\n"));
        QCOMPARE(f.transfers.openQuestions(), 0);
        // Answering twice changes nothing.
        f.prompts.questions[0].answer(false);
        QCOMPARE(f.sent.size(), 1);
    }

    void onlyTheAddressOfferedCanAnswer()
    {
        Offers f;
        f.know("10.0.0.5", "Petr");
        f.know("10.0.0.6", "Eva");
        const QString first = f.file("a.txt"), second = f.file("b.txt");
        f.transfers.offerFile("10.0.0.5", first);
        f.transfers.offerFile("10.0.0.6", second);
        f.transfers.offerFile("10.0.0.7", second); // not in the list: nothing
        QCOMPARE(f.sent,
                 (QList<SentPackage>{{"SENDFILE\t10.0.0.1\vuser1\v10\va.txt\r\n", {"10.0.0.5"}},
                                     {"SENDFILE\t10.0.0.1\vuser1\v10\vb.txt\r\n", {"10.0.0.6"}}}));
        QSignalSpy started(&f.transfers, &FileTransfers::transferStarted);

        f.receive("ACCEPTFILE", {"10.0.0.7", "4000", "a.txt"}, "10.0.0.7"); // a stranger
        f.receive("ACCEPTFILE", {"10.0.0.5", "4000", "a.txt"}, "10.0.0.7"); // naming another
        f.receive("ACCEPTFILE", {"10.0.0.5", "0", "a.txt"}, "10.0.0.5"); // no port
        f.receive("REFUSEFILE", {"Cizí", "10"}, "10.0.0.7");
        QVERIFY(f.network.connects.isEmpty());
        QCOMPARE(f.transfers.offers().count(), 2);

        // Answered in the other order, each answer takes its own file.
        f.receive("ACCEPTFILE", {"10.0.0.6", "4001", "b.txt"}, "10.0.0.6");
        f.receive("REFUSEFILE", {"Petr", "10"}, "10.0.0.5");
        f.receive("ACCEPTFILE", {"10.0.0.5", "4002", "a.txt"}, "10.0.0.5"); // refused already
        QCOMPARE(f.network.connects,
                 (QList<std::pair<QHostAddress, quint16>>{{QHostAddress("10.0.0.6"), 4001}}));
        QCOMPARE(started.size(), 1);
        QCOMPARE(started[0][0].value<Transfer*>()->fileLabel(), second);
        QCOMPARE(
            f.transcript.lines.last(),
            (RecordedLine{"uživatel Petr odmítl přijmout soubor", LineLook::Action, {}, true}));
        QCOMPARE(f.transfers.offers().count(), 0);
    }

    void twoOffersToOneUserAreToldApartByTheirAnswers()
    {
        Offers f;
        f.know("10.0.0.5", "Petr");
        const QString small = f.file("a.txt", 1), big = f.file("b.txt", 2);
        f.transfers.offerFile("10.0.0.5", small);
        f.transfers.offerFile("10.0.0.5", big);
        QSignalSpy started(&f.transfers, &FileTransfers::transferStarted);
        f.receive("ACCEPTFILE", {"10.0.0.5", "4000", "a.txt"}, "10.0.0.5");
        f.receive("REFUSEFILE", {"Petr", "2"}, "10.0.0.5");
        QCOMPARE(started.size(), 1);
        QCOMPARE(started[0][0].value<Transfer*>()->fileLabel(), small);
        QCOMPARE(f.transfers.offers().count(), 0);
    }

    void atMostThreeQuestionsAreOpen()
    {
        Offers f;
        for (int i = 0; i < 4; ++i)
            f.offerFrom(Source, QStringLiteral("<b>f%1%2</b>").arg(i));
        QCOMPARE(f.prompts.questions.size(), 3);
        QCOMPARE(f.sent, (QList<SentPackage>{{Refusal, {Source}}}));
        QCOMPARE(f.transcript.lines,
                 (Lines{{"soubor <b>f3%2</b> od uživatele Jana byl odmítnut: otevřeny jsou již tři "
                         "žádosti o příjem souboru",
                         LineLook::Alert}}));
        f.prompts.questions[0].answer(false);
        f.offerFrom(Source);
        QCOMPARE(f.prompts.questions.size(), 4);
    }

    // A refusal repeats the size as the number read from the offer, never the peer's own text.
    void refusalsRepeatTheSizeAsANumber_data()
    {
        QTest::addColumn<QString>("size");
        QTest::addColumn<QByteArray>("repeated");
        QTest::newRow("plain") << "254120" << QByteArray("254120");
        QTest::newRow("leading blanks") << "  7" << QByteArray("7");
        QTest::newRow("text after") << "12abc" << QByteArray("12");
        QTest::newRow("no digits") << "velký" << QByteArray("0");
        QTest::newRow("negative") << "-5" << QByteArray("0");
        QTest::newRow("huge") << QString(32000, '9') << QByteArray("9223372036854775807");
    }

    void refusalsRepeatTheSizeAsANumber()
    {
        QFETCH(QString, size);
        QFETCH(QByteArray, repeated);
        Offers f;
        f.offerFrom(Source, "a.txt", size);
        f.prompts.questions[0].answer(false);
        QCOMPARE(f.sent,
                 (QList<SentPackage>{{"REFUSEFILE\tuser1\v" + repeated + "\r\n", {Source}}}));
    }

    // Offers from one source are answered five times a second, questions or refusals alike;
    // an answer never grows with the name it repeats.
    void offersAreAnsweredAtARateAndBriefly()
    {
        Offers f;
        for (int i = 0; i < 8; ++i)
            f.offerFrom(Source, QString(32000, 'n'));
        QCOMPARE(f.prompts.questions.size(), 3);
        QCOMPARE(f.sent.size(), 2); // the questions beyond three, refused
        f.offerFrom("10.0.0.8");
        QCOMPARE(f.sent.size(), 3);
        f.now = 1000;
        f.offerFrom(Source);
        QCOMPARE(f.sent.size(), 4);
        f.prompts.autoSave = [&f](const QString&) { return f.dir.filePath("x"); };
        f.prompts.questions[0].answer(true);
        for (const SentPackage& answer : f.sent)
            QVERIFY2(answer.data.size() <= 200, answer.data.left(20).constData());
        QVERIFY(f.sent.last().data.startsWith("ACCEPTFILE\t"));
    }

    // Our acceptance repeats a long name cut short; the offering side still finds its file.
    void aLongNameIsRecognisedFromItsRepeatedStart()
    {
        Offers f;
        f.know("10.0.0.5", "Petr");
        const QString stem(OfferBook::RepeatedNameLength, 'n');
        const QString first = f.file('a' + stem), second = f.file('b' + stem);
        f.transfers.offerFile("10.0.0.5", first);
        f.transfers.offerFile("10.0.0.5", second);
        QSignalSpy started(&f.transfers, &FileTransfers::transferStarted);
        const QString repeated = ('a' + stem).left(OfferBook::RepeatedNameLength);
        f.receive("ACCEPTFILE", {"10.0.0.5", "4000", repeated}, "10.0.0.5");
        QCOMPARE(started.size(), 1);
        QCOMPARE(started[0][0].value<Transfer*>()->fileLabel(), first);
    }

    void offersFromNoOneStationAreNotAsked()
    {
        Offers f;
        for (const char* source : {"255.255.255.255", "10.0.0.255", "224.0.0.1", "0.0.0.0"})
            f.offerFrom(source);
        QVERIFY(f.prompts.questions.isEmpty());
        QVERIFY(f.sent.isEmpty());
    }

    void sizesBeyondTwoGigabytesTravelAsText()
    {
        Offers f;
        f.know("10.0.0.5", "Petr");
        f.transfers.offerFile("10.0.0.5", f.file("big.iso", qint64(3) << 30));
        QVERIFY(f.sent[0].data.contains("\v3221225472\v"));
        f.offerFrom(Peer, "big.iso", "3221225472");
        QCOMPARE(f.prompts.questions.size(), 1);
        QVERIFY(f.prompts.questions[0].text.contains("velikost: 3072 MB"));
    }
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

QTEST_GUILESS_MAIN(tst_FileOffers)
#include "tst_fileoffers.moc"
