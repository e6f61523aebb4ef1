// The transcript: the pane's looks, edits and bounds with the entries in the store behind it,
// and the store's own bounds; saving it as a web page, RTF or text, printing and clearing it,
// the files read back by readers that are not ours, what an export says of entries that left,
// the dialogs, and the ways a save can go wrong.
#include "MainWindowFixture.h"
#include "Recorders.h"
#include "gui/transcript/TranscriptExport.h"
#include "gui/transcript/TranscriptPrinter.h"
#include "gui/transcript/TranscriptSaver.h"
#include "gui/transcript/TranscriptStore.h"

#include <QBuffer>
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

#include <tuple>

namespace {

const QTime Afternoon(14, 3, 27);
// Looks as {colour, b for bold, points}.
const QString Stamp = QStringLiteral("{#0000ff b7}"), Nick = QStringLiteral("{#000000 b8}"),
              Plain = QStringLiteral("{#000000 8}"), Status = QStringLiteral("{#808080 7}"),
              Action = QStringLiteral("{#008000 b8}"), Arrival = QStringLiteral("{#002080 7}"),
              Alert = QStringLiteral("{#802000 b8}");

// The documents' text, one after the other, with the look written before each stretch that
// differs from the one before. Block breaks read as "\n" in the look they carry; a run that
// names a face, italic or underline, all of which belong to the pane, shows as "{!}".
QString looks(const QList<const QTextDocument*>& documents)
{
    QString result, last;
    const auto add = [&](const QString& text, const QTextCharFormat& format) {
        QString look = QStringLiteral("{%1 %2%3}")
                           .arg(format.foreground().color().name(),
                                format.fontWeight() == QFont::Bold ? QStringLiteral("b") : "")
                           .arg(qRound(format.fontPointSize()));
        for (const auto property :
             {QTextFormat::FontFamilies, QTextFormat::FontItalic, QTextFormat::TextUnderlineStyle})
            if (format.hasProperty(property))
                look = QStringLiteral("{!}");
        result += (look == last ? QString() : look) + text;
        last = look;
    };
    for (const QTextDocument* document : documents) {
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it)
                add(it.fragment().text(), it.fragment().charFormat());
            if (block.next().isValid())
                add(QStringLiteral("\n"), block.next().charFormat());
        }
    }
    return result;
}

// A transcript that is only a list of entries, after as many that left it as it is told.
struct EntryList final : TranscriptEntries {
    qsizetype entryCount() const override { return list.size(); }
    TranscriptEntry entryAt(qsizetype index) const override { return list.at(index); }
    qsizetype droppedCount() const override { return dropped; }
    QList<TranscriptEntry> list;
    qsizetype dropped = 0;
};

// How an export begins the line that says how many of the oldest entries are not in it.
const QString MissingNote =
    QStringLiteral("starší záznamy diskuze, které se nevešly do paměti, nejsou ve výpisu: ");

// A store the network keeps writing to while it is read: after every so many entries read, a
// burst of new ones arrives and pushes as many of the oldest out.
class BusyStore final : public TranscriptEntries {
public:
    static constexpr qsizetype Kept = 2'000, Written = 3'000, ReadsPerBurst = 300, Burst = 700;

    BusyStore() { append(Written); }
    static QString lineOf(qsizetype serial) { return "[12:00:00]<Eva>" + QString::number(serial); }

    qsizetype entryCount() const override { return m_store.entryCount(); }
    qsizetype droppedCount() const override { return m_store.droppedCount(); }
    TranscriptEntry entryAt(qsizetype index) const override
    {
        TranscriptEntry entry = m_store.entryAt(index);
        if (++m_reads % ReadsPerBurst == 0)
            append(Burst);
        return entry;
    }

private:
    void append(qsizetype count) const
    {
        for (const qsizetype end = m_written + count; m_written < end;)
            m_store.append({"[12:00:00]", "<Eva>", QString::number(m_written++), LineLook::Chat});
    }

    mutable TranscriptStore m_store{{Kept, 1 << 20}};
    mutable qsizetype m_written = 0;
    mutable qsizetype m_reads = 0;
};

// Entries of every look, with text that a file format could get wrong.
QList<TranscriptEntry> sampleEntries()
{
    return {{"[14:03:27]", "<Petr>", "ahoj {světe} \\ <b>&amp;</b>", LineLook::Chat},
            {"[14:03:28]", {}, "uživatel Žofie vstoupil do diskuze", LineLook::Presence},
            {{}, {}, "Petr mává € a Ж", LineLook::Action},
            {"[14:03:29]", "<Ňu>", "řádek 1\rřádek 2\nřádek 3\r\nřádek 4", LineLook::Alert},
            {{}, {}, "obsah diskuze byl vytištěn", LineLook::Status}};
}

struct Tools {
    Tools() { entries.list = sampleEntries(); }
    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }
    QString lastLine() const { return sink.lines.isEmpty() ? QString() : sink.lines.last().text; }
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
            {entry.message, TranscriptLooks::message(entry.look)}};
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

// A saved file's lines as a reader that is not ours shows them; document holds what it read of
// the rich kinds.
QStringList readBackLines(ExportKind kind, const QString& path, QTextDocument& document)
{
    if (kind == ExportKind::PlainText)
        return QString::fromUtf8(contents(path)).split(QStringLiteral("\r\n"));
    document.setHtml(kind == ExportKind::Html
                         ? QString::fromUtf8(contents(path))
                         : run(QStringLiteral("unrtf"), {QStringLiteral("--html"), path}));
    // Raw, since plain text would turn the number's no-break spaces into spaces.
    return document.toRawText().trimmed().split(
        QRegularExpression(QStringLiteral("[\\n\\x{2028}\\x{2029}]")));
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

class tst_Transcript final : public QObject {
    Q_OBJECT

private slots:
    // The file dialog remembers folders; not in the real user's settings.
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("XDG_CONFIG_HOME", m_home.path().toLocal8Bit());
    }

    // Each entry alone shows its looks; all of them in one pane show the same, so no look
    // leaks into the next entry.
    void entryLooks()
    {
        const QTime t = Afternoon;
        // Text, look, nick, time, and what the pane shows.
        const std::tuple<QString, LineLook, QString, QTime, QString> rows[] = {
            {"x", LineLook::Alert, " ", t, Alert + "x\n"}, // a nick of spaces asks for a bare line
            {"x", LineLook::Chat, "  ", t, Plain + "x\n"},
            {"x", LineLook::Presence, "", QTime(9, 5, 3), Stamp + "[09:05:03]" + Arrival + "x\n"},
            {"x", LineLook::Action, "", QTime(21, 7, 0), Stamp + "[21:07:00]" + Action + "x\n"},
            {"ahoj", LineLook::Chat, "user1", t,
             Stamp + "[14:03:27]" + Nick + "<user1>" + Plain + "ahoj\n"},
            {"x", LineLook::Chat, "\t ", t, Stamp + "[14:03:27]" + Nick + "<\t >" + Plain + "x\n"},
            {"a\rb\r\nc", LineLook::Status, "", t, Stamp + "[14:03:27]" + Status + "a\nb\nc\n"},
            {"x", LineLook::Chat, "  ", t, Plain + "x\n"},
            {"", LineLook::Chat, "user1", t,
             Stamp + "[14:03:27]" + Nick + "<user1>" + Plain + "\n"},
            {"x", LineLook::Alert, " ", t, Alert + "x\n"}};
        QWidget owner;
        auto* all = new TranscriptView(&owner);
        QList<const QTextDocument*> alone;
        for (const auto& [text, look, nick, time, expected] : rows) {
            auto* one = new TranscriptView(&owner);
            for (TranscriptView* view : {one, all}) {
                view->setClock([time = time] { return time; });
                view->appendLine(text, look, nick);
                QCoreApplication::processEvents();
            }
            QCOMPARE(looks({one->document()}), expected);
            alone << one->document();
            // The store holds what the pane shows, with the message as it was given.
            const TranscriptEntry stored = one->entries().entryAt(0);
            QCOMPARE(stored.message, text);
            QCOMPARE(stored.look, look);
            QCOMPARE(stored.lines().join('\n') + '\n', one->toPlainText());
        }
        QCOMPARE(looks({all->document()}), looks(alone));
    }

    void entriesOfOneTurnAreOneEditAfterEveryRunWasTold()
    {
        TranscriptView view;
        QSignalSpy changes(&view, &TranscriptView::changed);
        QSignalSpy edits(view.document(), &QTextDocument::contentsChange);
        view.appendBareLine(QStringLiteral("bare"), LineLook::Alert);
        QCOMPARE(changes.count(), 1);
        view.appendLine(QStringLiteral("stamped\rin two lines"), LineLook::Presence, QString());
        QCOMPARE(changes.count(), 1 + 2);
        view.appendLine(QStringLiteral("chat"), LineLook::Chat, QStringLiteral("user1"));
        QCOMPARE(changes.count(), 3 + 3);
        QCOMPARE(view.entries().entryCount(), 3);
        QCOMPARE(edits.count(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(edits.count(), 1);
        QCOMPARE(view.document()->blockCount(), 5);
    }

    // After every turn the pane holds no more of the newest entries than either of its bounds
    // allows, and not many fewer; the store keeps every entry whole.
    void paneKeepsTheNewestWithinItsBounds_data()
    {
        QTest::addColumn<qsizetype>("length"); // of the message's second line
        QTest::addColumn<qsizetype>("count");
        QTest::addColumn<qsizetype>("turn"); // entries written per turn of the event loop
        const qsizetype cap = TranscriptView::ShownEntries;
        QTest::newRow("short, a few per turn") << qsizetype(11) << cap + 300 << qsizetype(700);
        QTest::newRow("short, more than the pane in one turn")
            << qsizetype(11) << 2 * cap + 5 << 2 * cap + 5;
        QTest::newRow("long, a few per turn")
            << qsizetype(4'000) << qsizetype(1'500) << qsizetype(100);
        QTest::newRow("cut, more than the pane in one turn")
            << qsizetype(9'000) << qsizetype(1'200) << qsizetype(1'200);
    }
    void paneKeepsTheNewestWithinItsBounds()
    {
        QFETCH(qsizetype, length);
        QFETCH(qsizetype, count);
        QFETCH(qsizetype, turn);
        TranscriptView view;
        const auto message = [length](qsizetype i) {
            return QString::number(i) + '\r' + QString(length, 'x');
        };
        const auto characters = [&view] { return qsizetype(view.document()->characterCount()); };
        const auto withinBounds = [&] {
            return view.shownEntries() <= TranscriptView::ShownEntries &&
                   characters() <= TranscriptView::ShownCharacters;
        };
        for (qsizetype i = 0; i < count; ++i) {
            view.appendLine(message(i), LineLook::Chat, QStringLiteral("u"));
            if ((i + 1) % turn == 0) {
                QCoreApplication::processEvents();
                QVERIFY(withinBounds());
            }
        }
        // The pane catches up over as many turns as it needs.
        QTRY_COMPARE_WITH_TIMEOUT(
            view.document()->lastBlock().previous().previous().text().section('>', 1),
            QString::number(count - 1), 30'000);
        QVERIFY(withinBounds());
        QCOMPARE(view.document()->firstBlock().text().section('>', 1),
                 QString::number(count - view.shownEntries()));
        QCOMPARE(view.document()->blockCount(), 2 * view.shownEntries() + 1);
        QVERIFY(
            view.shownEntries() > TranscriptView::ShownEntries - 2 * TranscriptView::DropBatch ||
            characters() > TranscriptView::ShownCharacters - 2 * TranscriptView::DropCharacters);
        QCOMPARE(view.entries().entryCount(), count);
        for (const qsizetype i : {qsizetype(0), count - 1})
            QCOMPARE(view.entries().entryAt(i).message, message(i));
    }

    void aLongMessageIsCutInThePaneOnly_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        const QString start(4'095, 'a');
        QTest::newRow("as long as shown") << start + "b" << start + "b";
        QTest::newRow("one longer") << start + "bc" << start + "b …";
        QTest::newRow("a pair across the cut") << start + "😀" << start + " …";
    }
    void aLongMessageIsCutInThePaneOnly()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        TranscriptView view;
        view.appendBareLine(message, LineLook::Chat);
        QCoreApplication::processEvents();
        QCOMPARE(view.toPlainText(), shown + '\n');
        QCOMPARE(view.entries().entryAt(0).message, message);
    }

    // Past either bound the oldest entries leave, a block of text at a time; the rest are found
    // where they were, and a clear starts the count again.
    void storeLetsTheOldestGo_data()
    {
        QTest::addColumn<qsizetype>("maxEntries");
        QTest::addColumn<qsizetype>("maxTextBytes");
        QTest::addColumn<qsizetype>("length");
        QTest::addColumn<qsizetype>("count");
        QTest::newRow("by entries")
            << qsizetype(100) << qsizetype(1 << 20) << qsizetype(10) << qsizetype(250);
        QTest::newRow("by text") << qsizetype(1'000'000) << qsizetype(64 << 10) << qsizetype(50)
                                 << qsizetype(2'000);
        QTest::newRow("by text, each beyond a block")
            << qsizetype(1'000'000) << qsizetype(64 << 10) << qsizetype(10'000) << qsizetype(30);
    }
    void storeLetsTheOldestGo()
    {
        QFETCH(qsizetype, maxEntries);
        QFETCH(qsizetype, maxTextBytes);
        QFETCH(qsizetype, length);
        QFETCH(qsizetype, count);
        const auto entry = [length](qsizetype serial) {
            return TranscriptEntry{"[12:00:00]", "<Eva>",
                                   QString::number(serial).leftJustified(length, '.'),
                                   LineLook(serial % 5)};
        };
        TranscriptStore store({maxEntries, maxTextBytes});
        for (qsizetype serial = 0; serial < count; ++serial) {
            store.append(entry(serial));
            QVERIFY(store.entryCount() <= maxEntries && store.textBytes() <= maxTextBytes);
        }
        QVERIFY(store.droppedCount() > 0);
        QCOMPARE(store.droppedCount() + store.entryCount(), count);
        for (qsizetype i = 0; i < store.entryCount(); ++i)
            QCOMPARE(store.entryAt(i), entry(store.droppedCount() + i));
        // What binds is used, not given away.
        const qsizetype entryBytes = (15 + length) * qsizetype(sizeof(QChar));
        QVERIFY(store.entryCount() == maxEntries ||
                store.entryCount() * entryBytes > maxTextBytes / 2);

        store.clear();
        QCOMPARE(store.droppedCount() + store.entryCount() + store.textBytes(), 0);
        store.append(entry(7));
        QCOMPARE(store.entryAt(0), entry(7));
        QCOMPARE(store.droppedCount(), 0);
    }

    void viewFollowsNewestEntry()
    {
        TranscriptView view;
        view.resize(433, 303);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        for (int i = 0; i < 300; ++i) {
            view.appendLine(QStringLiteral("line %1").arg(i), LineLook::Chat,
                            QStringLiteral("user1"));
            if (i % 50 == 0)
                QCoreApplication::processEvents();
        }
        QScrollBar* bar = view.verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());

        // A reader scrolled back, with text selected, is brought to the newest entry and keeps
        // the selection.
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
        QTRY_COMPARE(
            t.sink.lines.value(0),
            (RecordedLine{
                "obsah diskuze byl uložen do souboru " + path, LineLook::Status, {}, true}));
        QCOMPARE(t.files(), QStringList{file});
        for (const QByteArray& mark : marks)
            QVERIFY2(contents(path).contains(mark), mark);
        if (kind == ExportKind::Html)
            verifyReadBack(QString::fromUtf8(contents(path)), true);
        else if (kind == ExportKind::Rtf)
            verifyReadBack(run(QStringLiteral("unrtf"), {QStringLiteral("--html"), path}), false);
    }

    // Every kind begins with how many of the oldest entries have left, in a status line's look.
    void anExportSaysHowManyEntriesLeft_data()
    {
        QTest::addColumn<ExportKind>("kind");
        QTest::newRow("HTML") << ExportKind::Html;
        QTest::newRow("RTF") << ExportKind::Rtf;
        QTest::newRow("text") << ExportKind::PlainText;
    }
    void anExportSaysHowManyEntriesLeft()
    {
        QFETCH(ExportKind, kind);
        Tools t;
        t.entries.dropped = 1'234'567;
        t.saver.save(kind);
        Tools::choose(t.path("vypis"));
        QTRY_VERIFY(!t.sink.lines.isEmpty());
        QTextDocument document;
        const QStringList lines = readBackLines(kind, t.dir.filePath(t.files().value(0)), document);
        QCOMPARE(lines.value(0), MissingNote + "1\u00a0234\u00a0567");
        QCOMPARE(lines.value(1), TranscriptExport::entryLines(sampleEntries().first()).first());
        if (kind != ExportKind::PlainText)
            QCOMPARE(document.find(QStringLiteral("do paměti")).charFormat().foreground().color(),
                     TranscriptLooks::message(LineLook::Status).color);
    }

    // The network pushes the oldest entries out while a save goes out in slices: the file has
    // each entry it could still get once and in order, and says where and how many it lost.
    void aSaveWhileTheOldestLeaveHasEachEntryOnce()
    {
        Tools t;
        BusyStore busy;
        TranscriptSaver saver(busy, t.sink, t.dir.path(), &t.window);
        saver.save(ExportKind::PlainText);
        Tools::choose(t.path("rusno"));
        QTRY_VERIFY_WITH_TIMEOUT(t.lastLine().endsWith(QStringLiteral("rusno.txt")), 30'000);
        const QByteArray bytes = contents(t.path("rusno.txt"));
        QVERIFY(bytes.endsWith("\r\n\r\n"));
        const QStringList lines = QString::fromUtf8(bytes.chopped(4)).split(QStringLiteral("\r\n"));
        QVERIFY(lines.value(0).startsWith(MissingNote));
        qsizetype serial = 0, notes = 0;
        for (const QString& line : lines) {
            if (line.startsWith(MissingNote)) {
                ++notes;
                serial += line.mid(MissingNote.size()).remove(QChar::Nbsp).toLongLong();
            } else {
                QCOMPARE(line, BusyStore::lineOf(serial++));
            }
        }
        QCOMPARE(serial, BusyStore::Written);
        QVERIFY(notes > 2);
    }

    void plainTextIsUtf8WithCrLfLines_data()
    {
        QTest::addColumn<QList<TranscriptEntry>>("entries");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QList<TranscriptEntry>{} << QByteArray("\r\n");
        QTest::newRow("every kind of break")
            << QList<TranscriptEntry>{{"[01:02:03]", "<Ňu>", "a\rb\nc\r\nd", LineLook::Chat},
                                      {{}, {}, "", LineLook::Status},
                                      {"[01:02:04]", {}, "č€Ж", LineLook::Presence}}
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
            t.entries.list.append(
                {QStringLiteral("[12:00:00]"), "<Eva>", QString::number(i), LineLook::Chat});
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
        t.entries.dropped = 12;
        t.print(pdf);
        QTRY_COMPARE(t.sink.lines.value(0),
                     (RecordedLine{"obsah diskuze byl vytištěn", LineLook::Status, {}, true}));
        const QString text = run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        QVERIFY(text.startsWith(MissingNote + "12\n"));
        QCOMPARE(text.count(MissingNote + "12\n"), 2);
        QCOMPARE(text.count(QStringLiteral("řádek 2")), 2);
        QVERIFY(text.contains(QStringLiteral("[14:03:27]<Petr>ahoj {světe} \\ <b>&amp;</b>")));
        QVERIFY(run(QStringLiteral("pdfinfo"), {pdf}).contains(QStringLiteral("842 x 595 pts")));
        QCOMPARE(text.count(QStringLiteral("strana 1 z 1")), 2); // each copy counts its own
    }

    // Nothing comes nearer than 15 mm to an edge, and every page ends in its number.
    void printedPagesKeepTheirMarginsAndAreNumbered()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext is needed to read the printout back");
        Tools t;
        t.entries.list.append(
            {{}, {}, QString(600, u'm'), LineLook::Status}); // wraps at the right margin
        for (int i = 0; i < 150; ++i)
            t.entries.list.append({"[12:00:00]", "<Eva>", QString::number(i), LineLook::Chat});
        const QString pdf = t.path("strany.pdf");
        t.print(pdf);
        QTRY_COMPARE(t.sink.lines.size(), 1);

        const qreal margin = 15 / 25.4 * 72; // in points
        const QStringList pages = run("pdftotext", {"-bbox", pdf, "-"}).split("<page ").mid(1);
        QVERIFY(pages.size() >= 3);
        static const QRegularExpression size(R"re(width="([\d.]+)" height="([\d.]+)")re");
        static const QRegularExpression word(
            R"re(xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)<)re");
        for (qsizetype page = 0; page < pages.size(); ++page) {
            const QRegularExpressionMatch paper = size.match(pages[page]);
            const qreal width = paper.captured(1).toDouble(), height = paper.captured(2).toDouble();
            QRectF inked;
            QStringList words;
            QList<QRectF> boxes;
            for (const QRegularExpressionMatch& m : word.globalMatch(pages[page])) {
                boxes << QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                                QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
                inked |= boxes.last();
                words << m.captured(5);
            }
            QCOMPARE(words.mid(words.size() - 4).join(' '),
                     QStringLiteral("strana %1 z %2").arg(page + 1).arg(pages.size()));
            const QRectF footer = boxes[boxes.size() - 4] | boxes.last();
            QVERIFY(qAbs(footer.center().x() - width / 2) < 1);
            // The text and the footer reach to the margins, not past them.
            QVERIFY(qAbs(inked.left() - margin) < 2 && inked.top() > margin - 0.5);
            QVERIFY(qAbs(inked.bottom() - (height - margin)) < 4);
            QVERIFY(inked.right() < width - margin + 0.5);
            QVERIFY(page > 0 || inked.right() > width - margin - 12);
        }
    }

    void theMenuClearsWithoutAQuestion()
    {
        MainWindowFixture w;
        QVERIFY(w.start());
        MainMenus& menus = w.window.menus();
        menus.tools().saveAsRtf->trigger();
        shownDialog<QFileDialog>()->reject();
        QSignalSpy changed(w.window.transcript(), &TranscriptView::changed);
        QCOMPARE(menus.tools().clear->shortcut(), QKeySequence(Qt::Key_F8));
        menus.tools().clear->trigger();
        QCOMPARE(w.window.transcript()->entries().entryCount(), 0);
        QCOMPARE(w.window.transcript()->toPlainText(), QString());
        QCOMPARE(changed.count(), 1);
        QVERIFY(!shownDialog<QMessageBox>() && !shownDialog<QDialog>());
        // The next entry starts the emptied pane.
        w.window.transcript()->appendBareLine(QStringLiteral("znovu"), LineLook::Alert);
        QTRY_VERIFY(w.window.transcript()->toPlainText().startsWith(QStringLiteral("znovu\n")));
    }

private:
    QTemporaryDir m_home;
};

QTEST_MAIN(tst_Transcript)
#include "tst_transcript.moc"
