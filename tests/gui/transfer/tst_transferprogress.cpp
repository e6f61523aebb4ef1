// The progress window, and the whole way of a file through one main window that offers it
// to itself: menu, open dialog, question, save dialog, progress windows, transcript.
#include "MainWindowFixture.h"
#include "Recorders.h"
#include "core/protocol/Roster.h"
#include "core/transfer/Transfer.h"
#include "gui/transfer/TransferProgressWindow.h"

#include <QFileDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace {

struct StillTransfer final : Transfer {
    StillTransfer(TranscriptSink& transcript, qint64 total)
        : Transfer(Direction::Receiving, transcript, "C:\\<b>x</b>", "x", total, nullptr)
    {
    }
    void step(qint64 bytes) { advance(bytes); }
    void cancel() override { complete(QStringLiteral("zrušeno")); }
    void release() override { }
};

QString text(const QWidget& window, const char* name)
{
    return window.findChild<QLabel*>(QLatin1String(name))->text();
}

} // namespace

class tst_FrmProgress final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Czech)); }

    void showsFileSizeAndProgressAsPlainText()
    {
        RecordingTranscript transcript;
        StillTransfer transfer(transcript, 524288);
        QPointer window = new TransferProgressWindow(transfer);
        window->show();
        QCOMPARE(window->windowTitle(), QStringLiteral("přenos souboru"));
        QCOMPARE(window->size(), QSize(433, 104));
        const auto* name = window->findChild<QLabel*>("Label2_0");
        QCOMPARE(name->text(), QStringLiteral("C:\\<b>x</b>"));
        QCOMPARE(name->textFormat(), Qt::PlainText);
        QVERIFY(name->toolTip().contains("C:\\&lt;b&gt;x&lt;/b&gt;"));
        QCOMPARE(text(*window, "Label4"), QStringLiteral("0,5 MB"));
        QCOMPARE(text(*window, "Label2_2"), QStringLiteral("0 %"));
        // Many steps at once: the labels catch up with the last one.
        for (int i = 0; i < 1000; ++i)
            transfer.step(300);
        QTRY_COMPARE(text(*window, "Label2_2"), QStringLiteral("57 %"));
        QCOMPARE(text(*window, "Label2_3"), QStringLiteral("0,29 MB"));
        QCOMPARE(window->findChild<QProgressBar*>()->value(), 57);
        window->SetProgress(600000);
        QCOMPARE(text(*window, "Label2_2"), QStringLiteral("100 %"));

        // Cancel on a receiving window ends that reception and closes the window.
        QTest::mouseClick(window->findChild<QLabel*>("Label3"), Qt::LeftButton);
        QCOMPARE(window->CancelMark(), QStringLiteral("CANCEL"));
        QVERIFY(transfer.isFinished());
        QTRY_VERIFY(!window);
    }

    void fileTravelsThroughTheWindowsToItself()
    {
        MainWindowFixture chat;
        QVERIFY(chat.start(QStringLiteral("<i>Jana</i>")) && chat.listsItself());
        // Not in /tmp: the dialogs would look into every file there.
        QTemporaryDir dir(QDir::current().filePath("frmprogress-XXXXXX"));
        QFile source(dir.filePath("zdroj.txt"));
        QVERIFY(source.open(QIODevice::WriteOnly) && source.write("obsah") == 5);
        source.close();

        chat.window.userActions().onEntryReleased(chat.station().roster().at(0).key, Qt::LeftButton,
                                                  {});
        chat.window.menus().user().sendFile->trigger();
        auto* open = shownDialog<QFileDialog>();
        QVERIFY(open);
        QCOMPARE(open->nameFilters(), QStringList{"všechny soubory (*)"});
        open->selectFile(source.fileName());
        static_cast<QDialog*>(open)->accept();

        QTRY_VERIFY(shownDialog<QMessageBox>());
        auto* question = shownDialog<QMessageBox>();
        QCOMPARE(question->windowTitle(), QStringLiteral("příjem souboru"));
        QCOMPARE(question->textFormat(), Qt::PlainText);
        QCOMPARE(question->text(), QStringLiteral("uživatel <i>Jana</i> vám zasílá soubor: \n"
                                                  "zdroj.txt\nvelikost: 0 MB\n\nChcete soubor "
                                                  "přijmout?"));
        question->button(QMessageBox::Yes)->click();

        auto* save = shownDialog<QFileDialog>();
        QVERIFY(save);
        QCOMPARE(save->windowTitle(), QStringLiteral("uložit soubor od <i>Jana</i>"));
        QCOMPARE(save->acceptMode(), QFileDialog::AcceptSave);
        QVERIFY(!save->testOption(QFileDialog::DontConfirmOverwrite));
        QCOMPARE(save->selectedFiles().value(0).section('/', -1), QStringLiteral("zdroj.txt"));
        save->selectFile(dir.filePath("kopie.txt"));
        static_cast<QDialog*>(save)->accept();

        QTRY_VERIFY(
            chat.lines().contains("přenos souboru je kompletní nebo byl zastaven uživatelem"));
        QFile copy(dir.filePath("kopie.txt"));
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), QByteArray("obsah"));
        QTRY_VERIFY(!shownDialog<TransferProgressWindow>());
    }
};

QTEST_MAIN(tst_FrmProgress)
#include "tst_transferprogress.moc"
