#include "ui/TranscriptView.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

namespace {

// A stretch of text in one look; block breaks read as "\n" and take the look they carry.
struct Run {
    QString text;
    QColor colour;
    bool bold = false;
    int points = 0;
    bool operator==(const Run&) const = default;
};
using Runs = QList<Run>;

char* toString(const Run& run)
{
    return QTest::toString(QStringLiteral("%1 %2 bold=%3 %4pt")
                               .arg(run.text.toHtmlEscaped(), run.colour.name())
                               .arg(run.bold)
                               .arg(run.points));
}

const QColor kBlue(0, 0, 255), kBlack(0, 0, 0), kGrey(128, 128, 128), kGreen(0, 128, 0),
    kDarkBlue(0, 32, 128), kBrown(128, 32, 0);
const QTime kAfternoon(14, 3, 27);

Run stamp(const char* time)
{
    return {u'[' + QLatin1String(time) + u']', kBlue, true, 7};
}
Run nick(const QString& name)
{
    return {u'<' + name + u'>', kBlack, true, 8};
}

Run runOf(const QString& text, const QTextCharFormat& format)
{
    return {text, format.foreground().color(), format.fontWeight() == QFont::Bold,
            qRound(format.fontPointSize())};
}

// Neighbouring runs of one look merge, as they do on screen.
void appendRun(Runs& runs, const Run& run)
{
    if (!runs.isEmpty() && runs.last().colour == run.colour && runs.last().bold == run.bold &&
        runs.last().points == run.points)
        runs.last().text += run.text;
    else
        runs.append(run);
}

// The transcript as runs, or a single marker run if any run names a face, italic or underline.
Runs styledRuns(const QTextDocument& doc)
{
    Runs runs;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.hasProperty(QTextFormat::FontFamilies) ||
                format.hasProperty(QTextFormat::FontItalic) ||
                format.hasProperty(QTextFormat::TextUnderlineStyle))
                return {{QStringLiteral("a run that overrides the pane's face"), {}, false, 0}};
            appendRun(runs, runOf(it.fragment().text(), format));
        }
        if (block.next().isValid())
            appendRun(runs, runOf(QStringLiteral("\n"), block.next().charFormat()));
    }
    return runs;
}

} // namespace

class TranscriptViewTest final : public QObject {
    Q_OBJECT

private slots:
    void entryLooks_data();
    void entryLooks();
    void looksDoNotLeakBetweenEntries();
    void chatChangePerRunAndClear();
    void viewFollowsNewestEntry();
};

void TranscriptViewTest::entryLooks_data()
{
    QTest::addColumn<QString>("msg");
    QTest::addColumn<int>("mtype");
    QTest::addColumn<QString>("uname");
    QTest::addColumn<QTime>("clock");
    QTest::addColumn<Runs>("expected");

    const QTime t = kAfternoon;
    QTest::newRow("bare alert") << "x" << 4 << " " << t << Runs{{"x\n", kBrown, true, 8}};
    QTest::newRow("stamped presence, early hour")
        << "x" << 3 << "" << QTime(9, 5, 3)
        << Runs{stamp("09:05:03"), {"x\n", kDarkBlue, false, 7}};
    QTest::newRow("chat with nick")
        << "ahoj" << 10 << "user1" << t
        << Runs{stamp("14:03:27"), nick("user1"), {"ahoj\n", kBlack, false, 8}};
    QTest::newRow("other type, two spaces")
        << "x" << 7 << "  " << t << Runs{{"x\n", kBlack, false, 8}};
    QTest::newRow("bare status") << "x" << 1 << " " << t << Runs{{"x\n", kGrey, false, 7}};
    QTest::newRow("action, evening")
        << "x" << 2 << "" << QTime(21, 7, 0) << Runs{stamp("21:07:00"), {"x\n", kGreen, true, 8}};
    QTest::newRow("nick of a tab and a space, untrimmed")
        << "x" << 10 << "\t " << t
        << Runs{stamp("14:03:27"), nick("\t "), {"x\n", kBlack, false, 8}};
    QTest::newRow("empty message with nick")
        << "" << 10 << "user1" << t
        << Runs{stamp("14:03:27"), nick("user1"), {"\n", kBlack, false, 8}};
    QTest::newRow("lines split by CR and CR LF")
        << "a\rb\r\nc" << 1 << "" << t << Runs{stamp("14:03:27"), {"a\nb\nc\n", kGrey, false, 7}};
}

void TranscriptViewTest::entryLooks()
{
    QFETCH(QString, msg);
    QFETCH(int, mtype);
    QFETCH(QString, uname);
    QFETCH(QTime, clock);
    QFETCH(Runs, expected);

    TranscriptView view;
    view.setClock([clock] { return clock; });
    view.AddLine(msg, mtype, uname);
    QCOMPARE(styledRuns(*view.document()), expected);
}

void TranscriptViewTest::looksDoNotLeakBetweenEntries()
{
    // Bold and small looks followed by plain and large ones, and the other way round.
    const QList<std::tuple<QString, int, QString>> entries = {
        {"alert", 4, " "},  {"chat", 10, "user1"},   {"status", 1, ""}, {"action", 2, " "},
        {"plain", 0, "  "}, {"presence", 3, "jana"}, {"", 10, "user2"}, {"plain", 7, " "}};

    TranscriptView all;
    all.setClock([] { return kAfternoon; });
    Runs alone;
    for (const auto& [msg, mtype, uname] : entries) {
        all.AddLine(msg, mtype, uname);
        TranscriptView fresh;
        fresh.setClock([] { return kAfternoon; });
        fresh.AddLine(msg, mtype, uname);
        for (const Run& run : styledRuns(*fresh.document()))
            appendRun(alone, run);
    }
    QCOMPARE(styledRuns(*all.document()), alone);
}

void TranscriptViewTest::chatChangePerRunAndClear()
{
    TranscriptView view;
    QSignalSpy changes(&view, &TranscriptView::chat_Change);
    view.AddLine(QStringLiteral("bare"), 4, QStringLiteral(" "));
    QCOMPARE(changes.count(), 1);
    view.AddLine(QStringLiteral("stamped\rin two lines"), 3, QString());
    QCOMPARE(changes.count(), 1 + 2);
    view.AddLine(QStringLiteral("chat"), 10, QStringLiteral("user1"));
    QCOMPARE(changes.count(), 3 + 3);

    view.clearTranscript();
    QCOMPARE(changes.count(), 6 + 1);
    // The next entry starts the emptied pane.
    view.AddLine(QStringLiteral("again"), 4, QStringLiteral(" "));
    QCOMPARE(view.toPlainText(), QStringLiteral("again\n"));
}

void TranscriptViewTest::viewFollowsNewestEntry()
{
    TranscriptView view;
    view.resize(433, 303);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    for (int i = 0; i < 300; ++i) {
        view.AddLine(QStringLiteral("line %1").arg(i), 10, QStringLiteral("user1"));
        if (i % 50 == 0)
            QCoreApplication::processEvents();
    }
    QScrollBar* bar = view.verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum());

    // A reader scrolled back, with text selected, is brought to the newest entry and keeps
    // the selection.
    bar->setValue(0);
    QTextCursor selection(view.document());
    selection.movePosition(QTextCursor::NextWord, QTextCursor::KeepAnchor);
    view.setTextCursor(selection);
    view.AddLine(QStringLiteral("newest"), 3, QString());
    QCOMPARE(bar->value(), bar->maximum());
    QCOMPARE(view.textCursor().selectedText(), selection.selectedText());
    const QTextCursor newest(view.document()->lastBlock().previous());
    QVERIFY(view.viewport()->rect().contains(view.cursorRect(newest)));
}

QTEST_MAIN(TranscriptViewTest)
#include "tst_transcriptview.moc"
