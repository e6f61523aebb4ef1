#include "MainWindowFixture.h"
#include "Recorders.h"
#include "TranscriptFixtures.h"
#include "ui/MainMenus.h"
#include "ui/TranscriptPrinter.h"
#include "ui/TranscriptSaver.h"

#include <QAction>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

namespace {

struct Tools {
    Tools() { entries.list = sampleEntries(); }
    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }
    QString lastLine() const { return sink.lines.isEmpty() ? QString() : sink.lines.last().msg; }
    // Types the name into the open save dialog and confirms it.
    static void choose(const QString& file)
    {
        auto* dialog = shownDialog<QFileDialog>();
        QVERIFY(dialog && dialog->isModal());
        dialog->selectFile(file);
        static_cast<QDialog*>(dialog)->accept();
    }
    void print(const QString& pdf)
    {
        printer.printer().setOutputFormat(QPrinter::PdfFormat);
        printer.printer().setOutputFileName(pdf);
        printer.print();
        auto* dialog = shownDialog<QPrintDialog>();
        QVERIFY(dialog && dialog->isModal());
        static_cast<QDialog*>(dialog)->accept();
    }

    QTemporaryDir dir;
    EntryList entries;
    RecordingTranscript sink;
    QWidget window;
    TranscriptSaver saver{entries, sink, dir.path(), &window};
    TranscriptPrinter printer{entries, sink, &window};
};

QString run(const QString& tool, const QStringList& arguments)
{
    QProcess process;
    process.start(tool, arguments);
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput());
}

QByteArray contents(const QString& file)
{
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

} // namespace

class tst_TranscriptTools final : public QObject {
    Q_OBJECT

private slots:
    // The file dialog remembers folders; not in the real user's settings.
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("XDG_CONFIG_HOME", m_home.path().toLocal8Bit());
    }

    void saveDialogProposals()
    {
        Tools t;
        QCOMPARE(TranscriptSaver::proposedName(QDateTime({2026, 12, 5}, {14, 3, 7})),
                 QStringLiteral("vypis_051226_14_3_07"));
        QCOMPARE(TranscriptSaver::initialFolder(t.dir.path()), t.dir.path());
        QCOMPARE(TranscriptSaver::initialFolder(QStringLiteral("/proc")),
                 QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
        QCOMPARE(TranscriptSaver::withExtension("a.b/vypis", ExportKind::Rtf), "a.b/vypis.rtf");
        QCOMPARE(TranscriptSaver::withExtension("a/vypis.log", ExportKind::Html), "a/vypis.log");
    }

    void eachKindIsSavedUnderItsExtension_data()
    {
        QTest::addColumn<ExportKind>("kind");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("file");
        QTest::newRow("HTML") << ExportKind::Html << "webová stránka (*.html)"
                              << "vypis.html";
        QTest::newRow("RTF") << ExportKind::Rtf << "RichText Format (*.rtf)"
                             << "vypis.rtf";
        QTest::newRow("text") << ExportKind::PlainText << "obyčejný text (*.txt)"
                              << "vypis.txt";
    }
    void eachKindIsSavedUnderItsExtension()
    {
        QFETCH(ExportKind, kind);
        QFETCH(QString, filter);
        QFETCH(QString, file);
        Tools t;
        t.saver.save(kind);
        auto* dialog = shownDialog<QFileDialog>();
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Uložit výpis rozhovoru"));
        QCOMPARE(dialog->nameFilters(), QStringList{filter});
        QVERIFY(dialog->selectedFiles().value(0).startsWith(t.dir.path() + "/vypis_"));
        Tools::choose(t.path("vypis"));
        QTRY_COMPARE(
            t.sink.lines.value(0),
            (RecordedLine{"obsah diskuze byl uložen do souboru " + t.dir.filePath(file), 1, " "}));
        QCOMPARE(t.files(), QStringList{file});
    }

    void anExistingFileIsReplacedOnlyWhenTheUserAgrees()
    {
        Tools t;
        const QString file = t.path("stary.txt");
        QFile old(file);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        t.saver.save(ExportKind::PlainText);
        Tools::choose(t.path("stary"));
        const QString question =
            QStringLiteral("Uložit výpis rozhovoru|Soubor %1 již existuje.\nChcete jej nahradit?")
                .arg(file);
        QCOMPARE(answerBox(QMessageBox::No), question);
        Tools::choose(file); // the dialog is back
        QCOMPARE(answerBox(QMessageBox::Yes), question);
        QTRY_VERIFY(t.lastLine().endsWith(file));
        QVERIFY(contents(file).startsWith("[14:03:27]<Petr>ahoj"));
    }

    void failuresAreReported()
    {
        Tools t;
        QFile blocker(t.path("soubor")); // where a folder should be
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        t.saver.save(ExportKind::PlainText);
        Tools::choose(t.path("soubor/vypis"));
        QTRY_VERIFY(shownDialog<QMessageBox>());
        QVERIFY(answerBox(QMessageBox::Ok)
                    .startsWith("Uložit výpis rozhovoru|Obsah diskuze se nepodařilo uložit "
                                "do souboru " +
                                t.path("soubor/vypis.txt") + ".\n"));
        t.print(t.path("soubor/tisk.pdf"));
        QTRY_VERIFY(shownDialog<QMessageBox>());
        QVERIFY(answerBox(QMessageBox::Ok)
                    .startsWith("tisk obsahu diskuze|Obsah diskuze se nepodařilo vytisknout"));
        QVERIFY(t.sink.lines.isEmpty());
    }

    // A long transcript goes out in slices; cancelled, it leaves nothing under the name.
    void aLongSaveCanBeCancelledOrCompleted()
    {
        Tools t;
        for (int i = 0; i < 100'000; ++i)
            t.entries.list.append({QStringLiteral("[12:00:00]"), "<Eva>", QString::number(i), 10});
        const QString file = t.path("dlouhy.txt");
        for (const bool cancel : {true, false}) {
            t.saver.save(ExportKind::PlainText);
            Tools::choose(file);
            auto* progress = shownDialog<QDialog>();
            QVERIFY(progress && progress->isModal());
            QCOMPARE(progress->objectName(), QStringLiteral("transcriptProgress"));
            if (cancel)
                progress->reject();
        }
        QVERIFY(t.sink.lines.isEmpty() && t.files().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(t.lastLine().endsWith(file), 60000);
        QCOMPARE(contents(file).count("\r\n"), 100'000 + 8 + 1);
    }

    void printsThePlainTextWithTheDialogsChoices()
    {
        Tools t;
        const QString pdf = t.path("tisk.pdf");
        t.printer.printer().setPageOrientation(QPageLayout::Landscape);
        t.printer.printer().setCopyCount(2);
        t.print(pdf);
        QTRY_COMPARE(t.sink.lines.value(0), (RecordedLine{"obsah diskuze byl vytištěn", 1, " "}));
        const QString text = run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        QCOMPARE(text.count(QStringLiteral("řádek 2")), 2);
        QVERIFY(text.contains(QStringLiteral("[14:03:27]<Petr>ahoj {světe} \\ <b>&amp;</b>")));
        QVERIFY(run(QStringLiteral("pdfinfo"), {pdf}).contains(QStringLiteral("842 x 595 pts")));
    }

    void theMenuClearsWithoutAQuestion()
    {
        MainWindowFixture w;
        QVERIFY(w.start());
        MainMenus& menus = w.window.menus();
        menus.mnuRCHT->trigger();
        shownDialog<QFileDialog>()->reject();
        QSignalSpy changed(w.window.chat(), &TranscriptView::chat_Change);
        QCOMPARE(menus.mnuClear->shortcut(), QKeySequence(Qt::Key_F8));
        menus.mnuClear->trigger();
        QCOMPARE(w.window.chat()->entries().entryCount(), 0);
        QCOMPARE(w.window.chat()->toPlainText(), QString());
        QCOMPARE(changed.count(), 1);
        QVERIFY(!shownDialog<QMessageBox>() && !shownDialog<QDialog>());
    }

private:
    QTemporaryDir m_home;
};

QTEST_MAIN(tst_TranscriptTools)
#include "tst_transcripttools.moc"
