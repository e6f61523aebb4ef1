// Saving the transcript as a web page, RTF or text, printing and clearing it: the files read
// back by readers that are not ours, the dialogs, and the ways a save can go wrong.
#include "MainWindowFixture.h"
#include "Recorders.h"
#include "ui/MainMenus.h"
#include "ui/TranscriptExport.h"
#include "ui/TranscriptPrinter.h"
#include "ui/TranscriptSaver.h"

#include <QAction>
#include <QBuffer>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTextDocument>

namespace {

// A transcript that is only a list of entries.
struct EntryList final : TranscriptEntries {
    qsizetype entryCount() const override { return list.size(); }
    TranscriptEntry entryAt(qsizetype index) const override { return list.at(index); }
    QList<TranscriptEntry> list;
};

// Entries of every look, with text that a file format could get wrong.
QList<TranscriptEntry> sampleEntries()
{
    return {{"[14:03:27]", "<Petr>", "ahoj {světe} \\ <b>&amp;</b>", 10},
            {"[14:03:28]", {}, "uživatel Žofie vstoupil do diskuze", 3},
            {{}, {}, "Petr mává € a Ж", 2},
            {"[14:03:29]", "<Ňu>", "řádek 1\rřádek 2\nřádek 3\r\nřádek 4", 4},
            {{}, {}, "obsah diskuze byl vytištěn", 1}};
}

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

// Reads a page back as a browser would: every line of every run, found with the run's look.
void verifyReadBack(const QString& html, bool withSizes)
{
    QTextDocument document;
    document.setHtml(html);
    QStringList lines;
    for (const TranscriptEntry& entry : sampleEntries()) {
        lines += TranscriptExport::entryLines(entry);
        const std::pair<QString, RunLook> runs[] = {
            {entry.stamp, TranscriptLooks::stamp()},
            {entry.nick, TranscriptLooks::nick()},
            {entry.message, TranscriptLooks::message(entry.mtype)}};
        for (const auto& [text, look] : runs) {
            for (const QString& line :
                 QString(text).split(QRegularExpression("\r\n?|\n"), Qt::SkipEmptyParts)) {
                const QTextCharFormat format = document.find(line).charFormat();
                QVERIFY2(format.foreground().color() == look.color, qPrintable(line));
                QVERIFY2(format.font().bold() == look.bold, qPrintable(line));
                QVERIFY2(!withSizes || format.fontPointSize() == look.points, qPrintable(line));
            }
        }
    }
    const QString text = document.toPlainText().trimmed();
    QCOMPARE(text.split(QRegularExpression(QStringLiteral("[\\n\\x{2028}]"))), lines);
}

QByteArray plainText(const QList<TranscriptEntry>& entries)
{
    EntryList list;
    list.list = entries;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    TranscriptExport::write(list, *TranscriptExport::writerFor(ExportKind::PlainText), buffer);
    return buffer.data();
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

    // Each kind under its extension, read back by a reader that is not ours with the text's
    // colours and weights.
    void eachKindIsSavedUnderItsExtension_data()
    {
        QTest::addColumn<ExportKind>("kind");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArrayList>("marks");
        QTest::newRow("HTML") << ExportKind::Html << "webová stránka (*.html)"
                              << "vypis.html"
                              << QByteArrayList{"<!DOCTYPE html>", "<meta charset=\"utf-8\">"};
        QTest::newRow("RTF") << ExportKind::Rtf << "RichText Format (*.rtf)"
                             << "vypis.rtf"
                             << QByteArrayList{"{\\rtf1\\ansi\\ansicpg1250", "Verdana", "\\'f8",
                                               "\\u1046?"};
        QTest::newRow("text") << ExportKind::PlainText << "obyčejný text (*.txt)"
                              << "vypis.txt" << QByteArrayList{"[14:03:27]<Petr>ahoj"};
    }
    void eachKindIsSavedUnderItsExtension()
    {
        QFETCH(ExportKind, kind);
        QFETCH(QString, filter);
        QFETCH(QString, file);
        QFETCH(QByteArrayList, marks);
        Tools t;
        t.saver.save(kind);
        auto* dialog = shownDialog<QFileDialog>();
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Uložit výpis rozhovoru"));
        QCOMPARE(dialog->nameFilters(), QStringList{filter});
        QVERIFY(dialog->selectedFiles().value(0).startsWith(t.dir.path() + "/vypis_"));
        Tools::choose(t.path("vypis"));
        const QString path = t.dir.filePath(file);
        QTRY_COMPARE(t.sink.lines.value(0),
                     (RecordedLine{"obsah diskuze byl uložen do souboru " + path, 1, " "}));
        QCOMPARE(t.files(), QStringList{file});
        for (const QByteArray& mark : marks)
            QVERIFY2(contents(path).contains(mark), mark);
        if (kind == ExportKind::Html)
            verifyReadBack(QString::fromUtf8(contents(path)), true);
        else if (kind == ExportKind::Rtf)
            verifyReadBack(run(QStringLiteral("unrtf"), {QStringLiteral("--html"), path}), false);
    }

    void plainTextIsUtf8WithCrLfLines_data()
    {
        QTest::addColumn<QList<TranscriptEntry>>("entries");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QList<TranscriptEntry>{} << QByteArray("\r\n");
        QTest::newRow("every kind of break")
            << QList<TranscriptEntry>{{"[01:02:03]", "<Ňu>", "a\rb\nc\r\nd", 10},
                                      {{}, {}, "", 1},
                                      {"[01:02:04]", {}, "č€Ж", 3}}
            << QByteArray("[01:02:03]<\xc5\x87u>a\r\nb\r\nc\r\nd\r\n\r\n"
                          "[01:02:04]\xc4\x8d\xe2\x82\xac\xd0\x96\r\n\r\n");
    }
    void plainTextIsUtf8WithCrLfLines()
    {
        QFETCH(QList<TranscriptEntry>, entries);
        QFETCH(QByteArray, bytes);
        QCOMPARE(plainText(entries), bytes);
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
