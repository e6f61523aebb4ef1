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

char* toString(const Run& run) {
    return QTest::toString(QStringLiteral("%1 (%2, %3, %4 pt)")
                               .arg(run.text.toHtmlEscaped(), run.colour.name(),
                                    run.bold ? QStringLiteral("bold") : QStringLiteral("normal"))
                               .arg(run.points));
}

const QColor kBlue(0, 0, 255), kBlack(0, 0, 0), kGrey(128, 128, 128), kGreen(0, 128, 0),
    kDarkBlue(0, 32, 128), kBrown(128, 32, 0);
const QTime kAfternoon(14, 3, 27);

Run stamp(const char* time) {
    return {QLatin1Char('[') + QLatin1String(time) + ']', kBlue, true, 7};
}
Run nick(const QString& name) {
    return {'<' + name + '>', kBlack, true, 8};
}

Run lookOf(const QString& text, const QTextCharFormat& format) {
    return {text, format.foreground().color(), format.fontWeight() == QFont::Bold,
            qRound(format.fontPointSize())};
}

// Neighbouring runs of one look merge, as they would on screen.
void appendRun(Runs& runs, const Run& run) {
    if (!runs.isEmpty() && runs.last().colour == run.colour && runs.last().bold == run.bold &&
        runs.last().points == run.points)
        runs.last().text += run.text;
    else
        runs.append(run);
}

Runs styledRuns(const QTextDocument& doc) {
    Runs runs;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it)
            appendRun(runs, lookOf(it.fragment().text(), it.fragment().charFormat()));
        if (block.next().isValid())
            appendRun(runs, lookOf(QStringLiteral("\n"), block.next().charFormat()));
    }
    return runs;
}

} // namespace

Q_DECLARE_METATYPE(Run)

class TranscriptViewTest final : public QObject {
    Q_OBJECT

private slots:
    void entryLooks_data();
    void entryLooks();
    void looksDoNotLeakBetweenEntries();
    void chatChangePerRunAndClear_data();
    void chatChangePerRunAndClear();
    void paneKeepsItsOwnFace();
    void viewFollowsNewestEntry();
};

void TranscriptViewTest::entryLooks_data() {
    QTest::addColumn<QString>("msg");
    QTest::addColumn<int>("mtype");
    QTest::addColumn<QString>("uname");
    QTest::addColumn<QTime>("clock");
    QTest::addColumn<Runs>("expected");

    QTest::newRow("bare alert") << "x" << 4 << " " << kAfternoon << Runs{{"x\n", kBrown, true, 8}};
    QTest::newRow("stamped presence")
        << "x" << 3 << "" << kAfternoon << Runs{stamp("14:03:27"), {"x\n", kDarkBlue, false, 7}};
    QTest::newRow("chat with nick")
        << "ahoj" << 10 << "user1" << kAfternoon
        << Runs{stamp("14:03:27"), nick("user1"), {"ahoj\n", kBlack, false, 8}};
    QTest::newRow("unknown type, two spaces")
        << "x" << 7 << "  " << kAfternoon << Runs{{"x\n", kBlack, false, 8}};
    QTest::newRow("bare status") << "x" << 1 << " " << kAfternoon << Runs{{"x\n", kGrey, false, 7}};
    QTest::newRow("action, evening")
        << "x" << 2 << "" << QTime(21, 7, 0) << Runs{stamp("21:07:00"), {"x\n", kGreen, true, 8}};
    QTest::newRow("negative type, early hour")
        << "x" << -1 << "" << QTime(9, 5, 3) << Runs{stamp("09:05:03"), {"x\n", kBlack, false, 8}};
    QTest::newRow("nick untrimmed")
        << "x" << 10 << " bob " << kAfternoon
        << Runs{stamp("14:03:27"), nick(" bob "), {"x\n", kBlack, false, 8}};
    QTest::newRow("tab is a nick")
        << "x" << 10 << "\t" << kAfternoon
        << Runs{stamp("14:03:27"), nick("\t"), {"x\n", kBlack, false, 8}};
    QTest::newRow("empty message with nick")
        << "" << 10 << "user1" << kAfternoon
        << Runs{stamp("14:03:27"), nick("user1"), {"\n", kBlack, false, 8}};
    QTest::newRow("lines split by CR") << "a\rb\rc" << 1 << "" << kAfternoon
                                       << Runs{stamp("14:03:27"), {"a\nb\nc\n", kGrey, false, 7}};
    QTest::newRow("CR LF is one break")
        << "a\r\nb" << 3 << " " << kAfternoon << Runs{{"a\nb\n", kDarkBlue, false, 7}};
}

void TranscriptViewTest::entryLooks() {
    QFETCH(QString, msg);
    QFETCH(int, mtype);
    QFETCH(QString, uname);
    QFETCH(QTime, clock);
    QFETCH(Runs, expected);

    TranscriptView view;
    view.setClock([clock] { return clock; });
    view.AddLine(msg, mtype, uname);
    QCOMPARE(styledRuns(*view.document()), expected);

    // Nothing sits between stamp, nick and message.
    QString reading;
    for (const Run& run : expected)
        reading += run.text;
    QCOMPARE(view.toPlainText(), reading);
}

void TranscriptViewTest::looksDoNotLeakBetweenEntries() {
    struct Entry {
        const char* msg;
        int mtype;
        const char* uname;
    };
    // Bold and small looks followed by plain and large ones, each kind after each other.
    const Entry entries[] = {{"alert", 4, " "},  {"chat", 10, "user1"}, {"status", 1, ""},
                             {"action", 2, " "}, {"plain", 0, "  "},    {"presence", 3, "jana"},
                             {"alert", 4, ""},   {"", 10, "user2"},     {"plain", 7, " "}};

    TranscriptView all;
    all.setClock([] { return kAfternoon; });
    Runs alone;
    for (const Entry& e : entries) {
        all.AddLine(QString::fromUtf8(e.msg), e.mtype, QString::fromUtf8(e.uname));
        TranscriptView fresh;
        fresh.setClock([] { return kAfternoon; });
        fresh.AddLine(QString::fromUtf8(e.msg), e.mtype, QString::fromUtf8(e.uname));
        for (const Run& run : styledRuns(*fresh.document()))
            appendRun(alone, run);
    }
    QCOMPARE(styledRuns(*all.document()), alone);
}

void TranscriptViewTest::chatChangePerRunAndClear_data() {
    QTest::addColumn<QString>("uname");
    QTest::addColumn<int>("runs");
    QTest::newRow("bare") << " " << 1;
    QTest::newRow("stamp") << "" << 2;
    QTest::newRow("stamp and nick") << "user1" << 3;
}

void TranscriptViewTest::chatChangePerRunAndClear() {
    QFETCH(QString, uname);
    QFETCH(int, runs);

    TranscriptView view;
    QSignalSpy changes(&view, &TranscriptView::chat_Change);
    view.AddLine(QStringLiteral("a\rb"), 10, uname);
    QCOMPARE(changes.count(), runs);

    changes.clear();
    view.clearTranscript();
    QCOMPARE(changes.count(), 1);
    QVERIFY(view.document()->isEmpty());

    // Appending goes on at the top of the emptied pane.
    view.AddLine(QStringLiteral("again"), 4, QStringLiteral(" "));
    QCOMPARE(view.toPlainText(), QStringLiteral("again\n"));
}

void TranscriptViewTest::paneKeepsItsOwnFace() {
    TranscriptView view;
    QCOMPARE(view.objectName(), QStringLiteral("chat"));
    QVERIFY(view.isReadOnly());
    QCOMPARE(view.document()->defaultFont().families().value(0), QStringLiteral("Verdana"));

    view.AddLine(QStringLiteral("x"), 4, QStringLiteral("user1"));
    for (auto it = view.document()->firstBlock().begin(); !it.atEnd(); ++it) {
        const QTextCharFormat format = it.fragment().charFormat();
        QVERIFY(!format.hasProperty(QTextFormat::FontFamilies));
        QVERIFY(!format.hasProperty(QTextFormat::FontItalic));
        QVERIFY(!format.hasProperty(QTextFormat::TextUnderlineStyle));
    }
}

void TranscriptViewTest::viewFollowsNewestEntry() {
    TranscriptView view;
    view.resize(433, 303);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    QScrollBar* bar = view.verticalScrollBar();
    for (int i = 0; i < 300; ++i) {
        view.AddLine(QStringLiteral("line %1").arg(i), 10, QStringLiteral("user1"));
        if (i % 50 == 0)
            QCoreApplication::processEvents();
    }
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum());

    // Someone reading back, with text selected, is brought to the newest entry and keeps
    // the selection.
    bar->setValue(0);
    QTextCursor selection(view.document());
    selection.movePosition(QTextCursor::NextWord, QTextCursor::KeepAnchor);
    view.setTextCursor(selection);
    const QString selected = view.textCursor().selectedText();
    view.AddLine(QStringLiteral("newest"), 3, QString());
    QCOMPARE(bar->value(), bar->maximum());
    QCOMPARE(view.textCursor().selectedText(), selected);

    QTextCursor newest(view.document()->lastBlock().previous());
    QVERIFY(view.viewport()->rect().contains(view.cursorRect(newest)));
}

QTEST_MAIN(TranscriptViewTest)
#include "tst_transcriptview.moc"
