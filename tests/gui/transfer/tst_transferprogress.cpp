// The progress window, and a file's whole way through one main window that offers it to itself.
#include "MainWindowFixture.h"
#include "Recorders.h"
#include "core/protocol/Roster.h"
#include "core/transfer/Transfer.h"
#include "gui/transfer/TransferProgressWindow.h"

#include <QFileDialog>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>

struct StillTransfer final : Transfer {
    StillTransfer(TranscriptSink& transcript, qint64 total)
        : Transfer(Direction::Receiving, transcript, "C:\\<b>x</b>", "x", total, nullptr)
    {
    }
    void step(qint64 bytes) { advance(bytes); }
    void cancel() override { complete(QStringLiteral("zrušeno")); }
    void release() override { }
};

class tst_TransferProgress final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Czech)); }

    void showsFileSizeAndProgressAsPlainText()
    {
        RecordingTranscript transcript;
        StillTransfer transfer(transcript, 524288);
        QPointer window = new TransferProgressWindow(transfer);
        window->setRepaintInterval(std::chrono::milliseconds(2));
        window->show();
        const auto* name = window->findChild<QLabel*>("fileName");
        QVERIFY(name->text() == "C:\\<b>x</b>" && name->textFormat() == Qt::PlainText &&
                name->toolTip().contains("C:\\&lt;b&gt;x&lt;/b&gt;"));
        const auto text = [&window](const char* label) {
            return window->findChild<QLabel*>(QLatin1String(label))->text();
        };
        const auto* bar = window->findChild<QProgressBar*>();
        QCOMPARE(text("sizeMb") + '|' + text("percent"), "0,5 MB|0 %");
        // Many steps at once: the labels catch up with the last one, and never pass 100 %.
        for (int i = 0; i < 1000; ++i)
            transfer.step(300);
        QTRY_COMPARE(text("percent"), "57 %");
        QVERIFY(text("doneMb") == "0,29 MB" && bar->value() == 57);
        transfer.step(524'288);
        QTRY_VERIFY(text("percent") == "100 %" && bar->value() == 100);

        // Cancel on a receiving window ends that reception and closes the window.
        QTest::mouseClick(window->findChild<QLabel*>("cancelLink"), Qt::LeftButton);
        QVERIFY(window->cancelRequested() && transfer.isFinished());
        QTRY_VERIFY(!window);
    }

    // A queued file shows its place; cancelling asks whether the files after it go too, and
    // the transfer runs on until the user says.
    void queuedFileShowsItsPlaceAndAsksAboutTheRest()
    {
        const std::tuple<QMessageBox::StandardButton, bool, int> answers[] = {
            {QMessageBox::Cancel, false, 0},
            {QMessageBox::No, true, 0},
            {QMessageBox::Yes, true, 1}};
        for (const auto& [answer, cancelled, restCancelled] : answers) {
            RecordingTranscript transcript;
            StillTransfer transfer(transcript, 100);
            transfer.setQueuePlace({2, 5});
            QSignalSpy rest(&transfer, &Transfer::restCancelled);
            QPointer window = new TransferProgressWindow(transfer);
            window->show();
            QCOMPARE(window->windowTitle() + '|' + window->findChild<QLabel*>("queuePlace")->text(),
                     "přenos souboru|2 / 5");
            QTest::mouseClick(window->findChild<QLabel*>("cancelLink"), Qt::LeftButton);
            QVERIFY(!transfer.isFinished());
            QVERIFY(answerBox(answer).endsWith("(3)?"));
            QCOMPARE(transfer.isFinished(), cancelled);
            QCOMPARE(rest.count(), restCancelled);
            delete window;
        }
    }

    void fileTravelsThroughTheWindowsToItself()
    {
        MainWindowFixture chat;
        QVERIFY(chat.start(QStringLiteral("<i>Jana</i>")) && chat.listsItself());
        // Not in /tmp: the dialogs would look into every file there.
        QTemporaryDir dir(QDir::current().filePath("transferprogress-XXXXXX"));
        QFile source(dir.filePath("zdroj.txt"));
        QVERIFY(source.open(QIODevice::WriteOnly) && source.write("obsah") == 5);
        source.close();

        chat.window.userActions().onEntryReleased(chat.station().roster().at(0).key, Qt::LeftButton,
                                                  {});
        chat.window.menus().user().sendFile->trigger();
        QVERIFY(acceptDialog<QFileDialog>(source.fileName()));

        QMessageBox* question = nullptr;
        QTRY_VERIFY((question = shownDialog<QMessageBox>()));
        QVERIFY(question->textFormat() == Qt::PlainText &&
                question->text().contains("<i>Jana</i>"));
        question->button(QMessageBox::Yes)->click();

        auto* save = shownDialog<QFileDialog>();
        // Saved with the offered name proposed, and a question before a file is replaced.
        QVERIFY(save && save->acceptMode() == QFileDialog::AcceptSave &&
                !save->testOption(QFileDialog::DontConfirmOverwrite));
        QCOMPARE(save->selectedFiles().value(0).section('/', -1), QStringLiteral("zdroj.txt"));
        QVERIFY(acceptDialog<QFileDialog>(dir.filePath("kopie.txt")));

        QTRY_VERIFY(
            chat.lines().contains("přenos souboru je kompletní nebo byl zastaven uživatelem"));
        QFile copy(dir.filePath("kopie.txt"));
        QVERIFY(copy.open(QIODevice::ReadOnly) && copy.readAll() == "obsah");
        QTRY_VERIFY(!shownDialog<TransferProgressWindow>());
    }
};

QTEST_MAIN(tst_TransferProgress)
#include "tst_transferprogress.moc"
