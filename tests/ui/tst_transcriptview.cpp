#include "ui/TranscriptView.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

#include <tuple>
#include <utility>

namespace {

const QTime Afternoon(14, 3, 27);
// Looks as {colour, b for bold, points}.
const QString Stamp = QStringLiteral("{#0000ff b7}"), Nick = QStringLiteral("{#000000 b8}"),
              Plain = QStringLiteral("{#000000 8}"), Status = QStringLiteral("{#808080 7}"),
              Action = QStringLiteral("{#008000 b8}"), Presence = QStringLiteral("{#002080 7}"),
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

} // namespace

class TranscriptViewTest final : public QObject {
    Q_OBJECT

private slots:
    // Each entry alone shows its looks; all of them in one pane show the same, so no look
    // leaks into the next entry.
    void entryLooks()
    {
        const QTime t = Afternoon;
        // Message, type, nick, time, and what the pane shows.
        const std::tuple<QString, int, QString, QTime, QString> rows[] = {
            {"x", 4, " ", t, Alert + "x\n"}, // a nick of spaces asks for a bare line
            {"x", 7, "  ", t, Plain + "x\n"},
            {"x", 3, "", QTime(9, 5, 3), Stamp + "[09:05:03]" + Presence + "x\n"},
            {"x", 2, "", QTime(21, 7, 0), Stamp + "[21:07:00]" + Action + "x\n"},
            {"ahoj", 10, "user1", t, Stamp + "[14:03:27]" + Nick + "<user1>" + Plain + "ahoj\n"},
            {"x", 10, "\t ", t, Stamp + "[14:03:27]" + Nick + "<\t >" + Plain + "x\n"},
            {"a\rb\r\nc", 1, "", t, Stamp + "[14:03:27]" + Status + "a\nb\nc\n"},
            {"x", 0, "  ", t, Plain + "x\n"},
            {"", 10, "user1", t, Stamp + "[14:03:27]" + Nick + "<user1>" + Plain + "\n"},
            {"x", 4, " ", t, Alert + "x\n"}};
        QWidget owner;
        auto* all = new TranscriptView(&owner);
        QList<const QTextDocument*> alone;
        for (const auto& [msg, mtype, uname, time, expected] : rows) {
            auto* one = new TranscriptView(&owner);
            for (TranscriptView* view : {one, all}) {
                view->setClock([time = time] { return time; });
                view->AddLine(msg, mtype, uname);
                QCoreApplication::processEvents();
            }
            QCOMPARE(looks({one->document()}), expected);
            alone << one->document();
            // The store holds what the pane shows, with the message as it was given.
            const TranscriptEntry stored = one->entries().entryAt(0);
            QCOMPARE(stored.message, msg);
            QCOMPARE(stored.mtype, mtype);
            QCOMPARE(stored.lines().join('\n') + '\n', one->toPlainText());
        }
        QCOMPARE(looks({all->document()}), looks(alone));
    }

    void entriesOfOneTurnAreOneEditAfterEveryRunWasTold()
    {
        TranscriptView view;
        QSignalSpy changes(&view, &TranscriptView::chat_Change);
        QSignalSpy edits(view.document(), &QTextDocument::contentsChange);
        view.AddLine(QStringLiteral("bare"), 4, QStringLiteral(" "));
        QCOMPARE(changes.count(), 1);
        view.AddLine(QStringLiteral("stamped\rin two lines"), 3, QString());
        QCOMPARE(changes.count(), 1 + 2);
        view.AddLine(QStringLiteral("chat"), 10, QStringLiteral("user1"));
        QCOMPARE(changes.count(), 3 + 3);
        QCOMPARE(view.entries().entryCount(), 3);
        QCOMPARE(edits.count(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(edits.count(), 1);
        QCOMPARE(view.document()->blockCount(), 5);

        view.clearTranscript();
        QCOMPARE(changes.count(), 6 + 1);
        QCOMPARE(view.entries().entryCount(), 0);
        // The next entry starts the emptied pane.
        view.AddLine(QStringLiteral("again"), 4, QStringLiteral(" "));
        QCoreApplication::processEvents();
        QCOMPARE(view.toPlainText(), QStringLiteral("again\n"));
    }

    void paneShowsTheNewestEntriesWithEveryEntryInTheStore()
    {
        TranscriptView view;
        const qsizetype cap = TranscriptView::ShownEntries;
        // The pane drops entries, not lines, a few at a time; then a burst bigger than the
        // pane arrives within one turn.
        for (const auto& [count, turn] :
             {std::pair{cap + 300, qsizetype(700)}, {cap + 5, cap * 2}}) {
            const qsizetype before = view.entries().entryCount();
            const qsizetype total = before + count;
            for (qsizetype i = before; i < total; ++i) {
                view.AddLine(QStringLiteral("%1\rsecond line").arg(i), 10, QStringLiteral("u"));
                if (i % turn == 0)
                    QCoreApplication::processEvents();
            }
            QCOMPARE(view.entries().entryCount(), total);
            // The pane catches up over as many turns as it needs.
            QTRY_COMPARE_WITH_TIMEOUT(view.document()->firstBlock().text().section('>', 1),
                                      QString::number(total - view.shownEntries()), 30'000);
            QVERIFY(view.shownEntries() >= cap);
            QVERIFY(view.shownEntries() < cap + TranscriptView::DropBatch);
            QCOMPARE(view.document()->blockCount(), 2 * view.shownEntries() + 1);
            QCOMPARE(view.document()->lastBlock().previous().previous().text().section('>', 1),
                     QString::number(total - 1));
        }
        QCOMPARE(view.entries().entryAt(0).lines().value(0).section('>', 1), QStringLiteral("0"));
        QCOMPARE(view.entries().entryAt(cap).message, QStringLiteral("%1\rsecond line").arg(cap));
    }

    void viewFollowsNewestEntry()
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
        QTRY_VERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());

        // A reader scrolled back, with text selected, is brought to the newest entry and keeps
        // the selection.
        bar->setValue(0);
        QTextCursor selection(view.document());
        selection.movePosition(QTextCursor::NextWord, QTextCursor::KeepAnchor);
        view.setTextCursor(selection);
        view.AddLine(QStringLiteral("newest"), 3, QString());
        QTRY_COMPARE(bar->value(), bar->maximum());
        QCOMPARE(view.textCursor().selectedText(), selection.selectedText());
        const QTextCursor newest(view.document()->lastBlock().previous());
        QVERIFY(view.viewport()->rect().contains(view.cursorRect(newest)));
    }
};

QTEST_MAIN(TranscriptViewTest)
#include "tst_transcriptview.moc"
