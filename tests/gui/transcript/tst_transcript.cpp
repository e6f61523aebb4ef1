// The transcript: the pane and the store behind it, saving and printing it, and clearing it.
#include "MainWindowFixture.h"
#include "Recorders.h"
#include "gui/common/SlicedJob.h"
#include "gui/transcript/TranscriptExport.h"
#include "gui/transcript/TranscriptPrinter.h"
#include "gui/transcript/TranscriptSaver.h"
#include "gui/transcript/TranscriptStore.h"

#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

#include <tuple>

namespace {

// A look as {colour, b for bold, points}.
QString mark(const RunLook& look)
{
    return QStringLiteral("{%1 %2%3}")
        .arg(look.color.name(), look.bold ? "b" : "")
        .arg(look.points);
}
const QString Stamp = mark(TranscriptLooks::stamp()), Nick = mark(TranscriptLooks::nick()),
              Plain = mark(TranscriptLooks::message(LineLook::Chat)),
              Status = mark(TranscriptLooks::message(LineLook::Status)),
              Action = mark(TranscriptLooks::message(LineLook::Action)),
              Arrival = mark(TranscriptLooks::message(LineLook::Presence)),
              Alert = mark(TranscriptLooks::message(LineLook::Alert));

// The text with the look before each stretch whose look differs, block breaks as "\n" in the
// look they carry; "{!}" for a run that names a face, italic or underline, the pane's own.
QString looks(const QTextDocument& document)
{
    QString result, last;
    const auto add = [&](const QString& text, const QTextCharFormat& format) {
        QString look = mark({format.foreground().color(), format.fontWeight() == QFont::Bold,
                             qRound(format.fontPointSize())});
        for (const auto property :
             {QTextFormat::FontFamilies, QTextFormat::FontItalic, QTextFormat::TextUnderlineStyle})
            if (format.hasProperty(property))
                look = QStringLiteral("{!}");
        result += (look == last ? QString() : look) + text;
        last = look;
    };
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it)
            add(it.fragment().text(), it.fragment().charFormat());
        if (block.next().isValid())
            add(QStringLiteral("\n"), block.next().charFormat());
    }
    return result;
}

// Entries after as many that left; afterRead runs as the network would, after every read.
struct EntryList final : TranscriptEntries {
    qsizetype entryCount() const override { return list.size(); }
    qsizetype droppedCount() const override { return dropped; }
    TranscriptEntry entryAt(qsizetype index) const override
    {
        const TranscriptEntry entry = list.at(index);
        afterRead();
        return entry;
    }
    QList<TranscriptEntry> list;
    qsizetype dropped = 0;
    std::function<void()> afterRead = [] {};
};

const QString MissingNote =
    QStringLiteral("starší záznamy diskuze, které se nevešly do paměti, nejsou ve výpisu: ");

// Entries of every look, with text that a file format could get wrong.
const QList<TranscriptEntry> SampleEntries = {
    {"[14:03:27]", "<Petr>", "ahoj {světe} \\ <b>&amp;</b>", LineLook::Chat},
    {"[14:03:28]", {}, "uživatel Žofie vstoupil do diskuze", LineLook::Presence},
    {{}, {}, "Petr mává € a Ж", LineLook::Action},
    {"[14:03:29]", "<Ňu>", "řádek 1\rřádek 2\nřádek 3\r\nřádek 4", LineLook::Alert},
    {{}, {}, {}, LineLook::Status},
    {{}, {}, "obsah diskuze byl vytištěn", LineLook::Status}};

struct Tools {
    Tools() { entries.list = SampleEntries; }
    QString path(const QString& name) const { return dir.filePath(name); }
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }
    QString lastLine() const { return sink.lines.isEmpty() ? QString() : sink.lines.last().text; }
    void print(const QString& pdf)
    {
        printer.printer().setOutputFormat(QPrinter::PdfFormat);
        printer.printer().setOutputFileName(pdf);
        printer.print();
        QVERIFY(acceptDialog<QPrintDialog>());
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

class tst_Transcript final : public QObject {
    Q_OBJECT

private slots:
    // The file dialog remembers folders; not in the real user's settings.
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // Each run is told, then a turn's entries shown in one edit, in their looks, a long message
    // cut; a reader scrolled back is brought to the newest entry and keeps the selection.
    void entryLooksAndScrolling()
    {
        const QTime t(14, 3, 27);
        const QString longText(TranscriptView::ShownMessage - 1, 'a');
        // Text, look, nick, time, and what the pane shows.
        const std::tuple<QString, LineLook, QString, QTime, QString> rows[] = {
            {"x", LineLook::Alert, " ", t, Alert + "x\n"}, // a nick of spaces asks for a bare line
            {"x", LineLook::Presence, "", QTime(9, 5, 3), Stamp + "[09:05:03]" + Arrival + "x\n"},
            {"x", LineLook::Action, "", QTime(21, 7, 0), Stamp + "[21:07:00]" + Action + "x\n"},
            {"ahoj", LineLook::Chat, "user1", t,
             Stamp + "[14:03:27]" + Nick + "<user1>" + Plain + "ahoj\n"},
            {"x", LineLook::Chat, "\t ", t, Stamp + "[14:03:27]" + Nick + "<\t >" + Plain + "x\n"},
            {"a\rb\r\nc", LineLook::Status, "", t, Stamp + "[14:03:27]" + Status + "a\nb\nc\n"},
            {"", LineLook::Chat, "user1", t,
             Stamp + "[14:03:27]" + Nick + "<user1>" + Plain + "\n"},
            {longText + "b", LineLook::Chat, " ", t, Plain + longText + "b\n"},
            {longText + "bc", LineLook::Chat, " ", t, Plain + longText + "b …\n"},
            {longText + "😀", LineLook::Chat, " ", t, Plain + longText + " …\n"}}; // never half
        TranscriptView view;
        view.resize(433, 303);
        view.show();
        view.setShowBudget(std::chrono::hours(1));
        QSignalSpy changes(&view, &TranscriptView::changed);
        QSignalSpy edits(view.document(), &QTextDocument::contentsChange);
        QString shown;
        qsizetype runs = 0;
        for (const auto& [text, look, nick, time, expected] : rows) {
            view.setClock([time = time] { return time; });
            view.appendLine(text, look, nick);
            // Each run has a look of its own, so the looks count the runs.
            QCOMPARE(changes.count(), runs += expected.count('{'));
            shown += expected;
        }
        QVERIFY(view.document()->isEmpty());
        QCoreApplication::processEvents();
        QCOMPARE(edits.count(), 1);
        // A look going on into the next entry is written once.
        static const QRegularExpression repeated(QStringLiteral("(\\{[^}]*\\})([^{]*)\\1"));
        while (shown.contains(repeated))
            shown.replace(repeated, QStringLiteral("\\1\\2"));
        QCOMPARE(looks(*view.document()), shown);

        QScrollBar* bar = view.verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0 && bar->value() == bar->maximum());
        bar->setValue(0);
        QTextCursor selection(view.document());
        selection.movePosition(QTextCursor::NextWord, QTextCursor::KeepAnchor);
        view.setTextCursor(selection);
        view.appendLine(QStringLiteral("newest"), LineLook::Presence, QString());
        QTRY_COMPARE(bar->value(), bar->maximum());
        QCOMPARE(view.textCursor().selectedText(), selection.selectedText());
        const QTextCursor newest(view.document()->lastBlock().previous());
        QVERIFY(view.viewport()->rect().contains(view.cursorRect(newest)));
    }

    // After every turn the pane holds the newest entries within both bounds, not many fewer; the
    // store keeps every entry whole.
    void paneKeepsTheNewestWithinItsBounds()
    {
        const int cap = TranscriptView::ShownEntries;
        // The message's second line, entries written, entries per turn of the event loop.
        for (const auto& [length, count, turn] : {std::tuple{11, cap + 300, 700},
                                                  {11, 2 * cap + 5, 2 * cap + 5},
                                                  {4'000, 1'500, 100},
                                                  {9'000, 1'200, 1'200}}) {
            TranscriptView view;
            const auto message = [length = length](int i) {
                return QString::number(i) + '\r' + QString(length, 'x');
            };
            const auto withinBounds = [&view] {
                return view.shownEntries() <= TranscriptView::ShownEntries &&
                       view.document()->characterCount() <= TranscriptView::ShownCharacters;
            };
            for (int i = 0; i < count; ++i) {
                view.appendLine(message(i), LineLook::Chat, QStringLiteral("u"));
                if ((i + 1) % turn == 0) {
                    QCoreApplication::processEvents();
                    QVERIFY(withinBounds());
                }
            }
            const auto serial = [](const QTextBlock& block) {
                return block.text().section('>', 1);
            };
            QTRY_COMPARE_WITH_TIMEOUT(serial(view.document()->lastBlock().previous().previous()),
                                      QString::number(count - 1), 30'000);
            QVERIFY(withinBounds());
            QCOMPARE(serial(view.document()->firstBlock()),
                     QString::number(count - view.shownEntries()));
            QVERIFY(view.shownEntries() >
                        TranscriptView::ShownEntries - 2 * TranscriptView::DropBatch ||
                    view.document()->characterCount() >
                        TranscriptView::ShownCharacters - 2 * TranscriptView::DropCharacters);
            QCOMPARE(view.entries().entryCount(), count);
            for (const int i : {0, count - 1})
                QCOMPARE(view.entries().entryAt(i).message, message(i));
        }
    }

    // Past either bound the oldest leave, a block of text at a time; the rest are where they were.
    void storeLetsTheOldestGo()
    {
        // Bounds on entries and text bytes, the message's length, entries written.
        for (const auto& [maxEntries, maxTextBytes, length, count] :
             {std::tuple{100, 1 << 20, 10, 250},
              {1'000'000, 64 << 10, 50, 2'000},
              {1'000'000, 64 << 10, 10'000, 30}}) {
            const auto entry = [length = length](qsizetype serial) {
                return TranscriptEntry{"[12:00:00]", "<Eva>",
                                       QString::number(serial).leftJustified(length, '.'),
                                       LineLook(serial % 5)};
            };
            TranscriptStore store({maxEntries, maxTextBytes});
            for (qsizetype serial = 0; serial < count; ++serial) {
                store.append(entry(serial));
                QVERIFY(store.entryCount() <= maxEntries && store.textBytes() <= maxTextBytes);
            }
            QCOMPARE(store.droppedCount() + store.entryCount(), count);
            for (qsizetype i = 0; i < store.entryCount(); ++i)
                QCOMPARE(store.entryAt(i), entry(store.droppedCount() + i));
            QVERIFY(store.entryCount() == maxEntries ||
                    store.entryCount() * (15 + length) * 2 > maxTextBytes / 2);
            store.clear();
            QCOMPARE(store.droppedCount() + store.entryCount() + store.textBytes(), 0);
            store.append(entry(7));
            QVERIFY(store.entryAt(0) == entry(7) && store.droppedCount() == 0);
        }
    }

    // Each kind, under its extension, first says how many of the oldest entries left. Text is
    // UTF-8 with CR LF lines; the rich kinds, read back by readers not ours, keep every look.
    void eachKindReadsBack_data()
    {
        QTest::addColumn<ExportKind>("kind");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArrayList>("marks");
        QTest::newRow("HTML") << ExportKind::Html << "vypis.html"
                              << QByteArrayList{"<!DOCTYPE html>", "<meta charset=\"utf-8\">"};
        QTest::newRow("RTF") << ExportKind::Rtf << "vypis.rtf"
                             << QByteArrayList{"{\\rtf1\\ansi\\ansicpg1250", "Verdana", "\\'f8",
                                               "\\u1046?"};
        QTest::newRow("text") << ExportKind::PlainText << "vypis.txt" << QByteArrayList{};
    }
    void eachKindReadsBack()
    {
        QFETCH(ExportKind, kind);
        QFETCH(QString, file);
        QFETCH(QByteArrayList, marks);
        if (kind == ExportKind::Rtf && QStandardPaths::findExecutable("unrtf").isEmpty())
            QSKIP("unrtf, which reads the saved RTF back, is not installed");
        Tools t;
        t.entries.dropped = 1'234'567;
        t.saver.save(kind);
        QVERIFY(shownDialog<QFileDialog>()->selectedFiles().value(0).startsWith(t.path("vypis_")));
        QVERIFY(acceptDialog<QFileDialog>(t.path("vypis")));
        const QString path = t.path(file);
        QTRY_COMPARE(
            t.sink.lines.value(0),
            (RecordedLine{
                "obsah diskuze byl uložen do souboru " + path, LineLook::Status, {}, true}));
        QCOMPARE(t.files(), QStringList{file});
        const QByteArray bytes = contents(path);
        for (const QByteArray& mark : marks)
            QVERIFY2(bytes.contains(mark), mark);
        const QString note = MissingNote + "1\u00a0234\u00a0567";
        if (kind == ExportKind::PlainText) {
            QCOMPARE(bytes, (note + "\r\n[14:03:27]<Petr>ahoj {světe} \\ <b>&amp;</b>\r\n"
                                    "[14:03:28]uživatel Žofie vstoupil do diskuze\r\n"
                                    "Petr mává € a Ж\r\n[14:03:29]<Ňu>řádek 1\r\nřádek 2\r\n"
                                    "řádek 3\r\nřádek 4\r\n\r\nobsah diskuze byl vytištěn\r\n\r\n")
                                .toUtf8());
            return;
        }
        QTextDocument document;
        document.setHtml(kind == ExportKind::Html ? QString::fromUtf8(bytes)
                                                  : run("unrtf", {"--html", path}));
        QStringList lines;
        for (const TranscriptEntry& entry :
             QList<TranscriptEntry>{{{}, {}, note, LineLook::Status}} + SampleEntries) {
            lines += TranscriptExport::entryLines(entry);
            for (const auto& [text, look] :
                 {std::pair(entry.stamp, TranscriptLooks::stamp()),
                  std::pair(entry.nick, TranscriptLooks::nick()),
                  std::pair(entry.message, TranscriptLooks::message(entry.look))}) {
                // find() reads a no-break space as a space: it looks for the stretches between.
                for (const QString& line :
                     text.split(QRegularExpression("[\r\n\u00a0]+"), Qt::SkipEmptyParts)) {
                    const QTextCharFormat format = document.find(line).charFormat();
                    QVERIFY2(format.foreground().color() == look.color &&
                                 format.font().bold() == look.bold &&
                                 (kind == ExportKind::Rtf || format.fontPointSize() == look.points),
                             qPrintable(line));
                }
            }
        }
        // Raw, since plain text would turn the number's no-break spaces into spaces.
        QCOMPARE(
            document.toRawText().trimmed().split(QRegularExpression("[\\n\\x{2028}\\x{2029}]")),
            lines);
    }

    // An existing file is replaced only when the user agrees; what cannot be written is reported.
    // A save goes out in slices behind a modal dialog; cancelled, it leaves nothing. It has each
    // entry it could get once, in order, and notes those that left meanwhile.
    void aSaveAsksReportsAndHasEachEntryOnce()
    {
        Tools t;
        QCOMPARE(TranscriptSaver::initialFolder(QStringLiteral("/proc")),
                 QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
        QCOMPARE(TranscriptSaver::withExtension("a.b/vypis", ExportKind::Rtf), "a.b/vypis.rtf");
        QCOMPARE(TranscriptSaver::withExtension("a/vypis.log", ExportKind::Html), "a/vypis.log");
        const QString file = t.path("stary.txt");
        QFile old(file);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        t.saver.save(ExportKind::PlainText);
        QVERIFY(acceptDialog<QFileDialog>(t.path("stary")));
        QVERIFY(answerBox(QMessageBox::No).contains(file));
        QVERIFY(acceptDialog<QFileDialog>(file)); // the dialog is back
        QVERIFY(answerBox(QMessageBox::Yes).contains(file));
        QTRY_VERIFY(t.lastLine().endsWith(file));
        QVERIFY(contents(file).startsWith("[14:03:27]<Petr>ahoj"));

        t.sink.lines.clear();
        t.saver.save(ExportKind::PlainText);
        // A file stands where a folder should be.
        QVERIFY(acceptDialog<QFileDialog>(t.path("stary.txt/vypis")));
        QTRY_VERIFY(shownDialog<QMessageBox>());
        QVERIFY(answerBox(QMessageBox::Ok).contains(t.path("stary.txt/vypis.txt")));
        t.print(t.path("stary.txt/tisk.pdf"));
        QTRY_VERIFY(shownDialog<QMessageBox>());
        answerBox(QMessageBox::Ok);
        QVERIFY(t.sink.lines.isEmpty());

        t.entries.list.clear();
        for (int serial = 1'000; serial < 3'000; ++serial)
            t.entries.list.append({"[12:00:00]", "<Eva>", QString::number(serial)});
        t.entries.dropped = 1'000;
        int turns = 0; // of the event loop
        QTimer loop;
        connect(&loop, &QTimer::timeout, [&turns] { ++turns; });
        loop.start(0);
        QList<int> readIn; // the turn each entry was read in
        // 700 more arrive for every 300 read, and push as many of the oldest out.
        t.entries.afterRead = [&] {
            readIn << turns;
            if (readIn.size() % 300 == 0) {
                t.entries.list.remove(0, 700);
                t.entries.list.resize(t.entries.list.size() + 700);
                t.entries.dropped += 700;
            }
        };
        for (const bool cancel : {true, false}) {
            t.saver.save(ExportKind::PlainText);
            QVERIFY(acceptDialog<QFileDialog>(t.path("rusno")));
            auto* progress = shownDialog<QDialog>();
            QVERIFY(progress && progress->isModal());
            if (cancel)
                progress->reject();
            else // a step a slice
                t.saver.findChildren<SlicedJob*>().last()->setSliceBudget({});
        }
        QVERIFY(t.sink.lines.isEmpty() && t.files() == QStringList{"stary.txt"});
        QTRY_VERIFY_WITH_TIMEOUT(t.lastLine().endsWith(t.path("rusno.txt")), 30'000);
        const QByteArray bytes = contents(t.path("rusno.txt"));
        QVERIFY(bytes.endsWith("\r\n\r\n"));
        const QStringList lines = QString::fromUtf8(bytes.chopped(4)).split(QStringLiteral("\r\n"));
        qsizetype serial = 0, notes = 0;
        for (const QString& line : lines) {
            if (line.startsWith(MissingNote)) {
                ++notes;
                serial += line.mid(MissingNote.size()).remove(QChar::Nbsp).toLongLong();
            } else {
                QCOMPARE(line, "[12:00:00]<Eva>" + QString::number(serial++));
            }
        }
        QVERIFY(serial == 3'000 && notes > 2);
        // The window was served between the slices.
        QVERIFY(readIn.last() - readIn.first() >= readIn.size() / 2);
    }

    // The plain text with the dialog's orientation and copies, each copy numbered on its own;
    // nothing nearer than 15 mm to an edge, every page ending in its number, centred.
    void printsNumberedPagesWithTheDialogsChoices()
    {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext, which reads the printout back, is not installed");
        Tools t;
        t.entries.dropped = 12;
        t.entries.list.append({{}, {}, QString(600, u'm'), LineLook::Status}); // wraps
        for (int i = 0; i < 150; ++i)
            t.entries.list.append({"[12:00:00]", "<Eva>", QString::number(i), LineLook::Chat});
        t.printer.printer().setPageOrientation(QPageLayout::Landscape);
        t.printer.printer().setCopyCount(2);
        const QString pdf = t.path("tisk.pdf");
        t.print(pdf);
        QTRY_COMPARE(t.sink.lines.value(0),
                     (RecordedLine{"obsah diskuze byl vytištěn", LineLook::Status, {}, true}));
        const QStringList text = run("pdftotext", {pdf, "-"}).split('\f');
        const QStringList pages =
            run("pdftotext", {"-bbox-layout", pdf, "-"}).split("<page ").mid(1);
        const qsizetype perCopy = pages.size() / 2;
        QVERIFY(perCopy >= 2 && pages.size() == 2 * perCopy && text.size() == pages.size() + 1);
        QVERIFY(text[0].startsWith(MissingNote + "12\n") && text[perCopy].startsWith(MissingNote));
        QVERIFY(text[0].contains(QStringLiteral("[14:03:27]<Petr>ahoj {světe} \\ <b>&amp;</b>")));
        const qreal margin = 15 / 25.4 * 72; // in points
        static const QRegularExpression size(R"re(width="([\d.]+)" height="([\d.]+)")re");
        static const QRegularExpression line(
            R"re(<line xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)")re");
        for (qsizetype page = 0; page < pages.size(); ++page) {
            QVERIFY(text[page].trimmed().endsWith(
                QStringLiteral("\nstrana %1 z %2").arg(page % perCopy + 1).arg(perCopy)));
            const QRegularExpressionMatch paper = size.match(pages[page]);
            const qreal width = paper.captured(1).toDouble(), height = paper.captured(2).toDouble();
            QCOMPARE(QSize(qRound(width), qRound(height)), QSize(842, 595));
            QRectF inked, footer; // the last line is the footer
            for (const QRegularExpressionMatch& m : line.globalMatch(pages[page]))
                inked |= footer =
                    QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                           QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
            QVERIFY(qAbs(footer.center().x() - width / 2) < 1);
            // The text and the footer reach to the margins, not past them.
            QVERIFY(qAbs(inked.left() - margin) < 2 && inked.top() > margin - 0.5);
            QVERIFY(qAbs(inked.bottom() - (height - margin)) < 4);
            QVERIFY(inked.right() < width - margin + 0.5);
            QVERIFY(page % perCopy > 0 || inked.right() > width - margin - 12);
        }
    }

    // The menu clears without a question, telling it once; the next entry starts the pane.
    void theMenuClearsWithoutAQuestion()
    {
        MainWindowFixture w;
        QVERIFY(w.start());
        QSignalSpy changed(w.window.transcript(), &TranscriptView::changed);
        w.window.menus().tools().clear->trigger();
        QVERIFY(w.window.transcript()->entries().entryCount() == 0 && changed.count() == 1);
        QVERIFY(w.window.transcript()->toPlainText().isEmpty() && !shownDialog<QDialog>());
        w.window.transcript()->appendBareLine(QStringLiteral("znovu"), LineLook::Alert);
        QTRY_VERIFY(w.window.transcript()->toPlainText().startsWith(QStringLiteral("znovu\n")));
    }
};

QTEST_MAIN(tst_Transcript)
#include "tst_transcript.moc"
