// Finding text in the whole transcript from the find bar, and web addresses in its lines.
#include "MainWindowFixture.h"
#include "gui/transcript/FindBar.h"
#include "gui/transcript/TextFold.h"
#include "gui/transcript/TranscriptFinder.h"
#include "gui/transcript/TranscriptStore.h"

#include <QLabel>
#include <QLineEdit>
#include <QTextBlock>

namespace {

// The text of each run in the pane that is an address.
QStringList anchorsIn(const QTextDocument& document)
{
    QStringList anchors;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isAnchor())
                anchors << it.fragment().text();
        }
    }
    return anchors;
}

} // namespace

class tst_FindAndLinks final : public QObject {
    Q_OBJECT

private slots:
    // Every place, however the text spells it, and nowhere else; units that share a low byte
    // with the query's ("ł" is U+0142, "B" U+0042) never make the search skip a match.
    void foldedSearchFindsEveryPlace()
    {
        // Text, query and where the matches start.
        const std::tuple<QString, QString, QList<qsizetype>> rows[] = {
            {"Žluťoučký KŮŇ úpěl", "zlutoucky kun", {0}},
            {"aaab aab", "aab", {1, 5}},
            {"łBłb bb", "bb", {5}},
            {"ŠárkaSARKAšárka", "šárka", {0, 5, 10}},
            {"a\nb", "a\nb", {}}, // a line break in the query is dropped: "ab"
            {"", "x", {}},
            {"ano", "", {}},
        };
        for (const auto& [text, query, places] : rows) {
            const TextFold::Pattern pattern(query);
            QList<qsizetype> found;
            for (qsizetype at = pattern.indexIn(text); at >= 0;
                 at = pattern.indexIn(text, at + pattern.size()))
                found << at;
            QCOMPARE(found, places);
            QCOMPARE(pattern.countIn(text), places.size());
        }
    }

    // The menu's key opens the bar; typing finds in entries long gone from the pane, whatever
    // their case and accents; Enter and Shift+Enter walk the matches in order, round either end;
    // Escape closes the bar and the pane shows the newest entries again.
    void findsTheWholeTranscriptFromTheBar()
    {
        MainWindowFixture w;
        QVERIFY(w.start());
        TranscriptView& view = *w.window.transcript();
        view.appendLine(QStringLiteral("Žlutý kůň"), LineLook::Chat, QStringLiteral("Jana"));
        for (int i = 0; i < TranscriptView::ShownEntries + 100; ++i)
            view.appendBareLine(QStringLiteral("řádek %1").arg(i), LineLook::Chat);
        view.appendLine(QStringLiteral("zluty KUN, a zase žlutá"), LineLook::Chat, {});
        QTRY_VERIFY(view.toPlainText().contains(QStringLiteral("zluty KUN")));

        QAction* find = w.window.menus().tools().find;
        QCOMPARE(find->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
        w.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.window));
        QTest::keySequence(&w.window, find->shortcut());
        auto* bar = w.window.findChild<FindBar*>();
        auto* query = w.window.findChild<QLineEdit*>(QStringLiteral("findQuery"));
        auto* count = w.window.findChild<QLabel*>(QStringLiteral("findCount"));
        QVERIFY(bar && bar->isVisible() && query->hasFocus());
        bar->finder().setSliceBudget(std::chrono::milliseconds(0));
        QTest::keyClicks(query, QStringLiteral("ZLUT"));
        // Key, the count and the match selected in the pane.
        const std::tuple<Qt::KeyboardModifiers, QString, QString> steps[] = {
            {{}, "1 z 3", "Žlut"}, // Enter past the newest goes round to the oldest
            {{}, "2 z 3", "zlut"},
            {Qt::ShiftModifier, "1 z 3", "Žlut"},
            {Qt::ShiftModifier, "3 z 3", "žlut"}, // and back round to the newest
        };
        QTRY_COMPARE(count->text(), QStringLiteral("3 z 3"));
        QVERIFY(view.textCursor().selectedText() == "žlut" && !view.showsOlderEntries());
        for (const auto& [modifiers, counted, selected] : steps) {
            QTest::keyClick(query, Qt::Key_Return, modifiers);
            QCOMPARE(count->text(), counted);
            QCOMPARE(view.textCursor().selectedText(), selected);
            QVERIFY(view.viewport()->rect().intersects(view.cursorRect()));
            QVERIFY(view.extraSelections().size() >= 2); // every match in view, and the current
        }
        QVERIFY(view.showsOlderEntries());
        QTest::keyClick(query, Qt::Key_Escape);
        QVERIFY(!bar->isVisible() && !view.showsOlderEntries() && view.extraSelections().isEmpty());
        QTRY_VERIFY(view.toPlainText().contains(QStringLiteral("zase žlutá")) &&
                    !view.toPlainText().contains(QStringLiteral("Žlutý")));
        // Opened again, the bar finds what it last looked for; Escape in the pane closes it too.
        find->trigger();
        QTRY_COMPARE(count->text(), QStringLiteral("3 z 3"));
        QTest::keyClick(&view, Qt::Key_Escape);
        QVERIFY(!bar->isVisible());
    }

    // The count follows entries written while the bar is open, the oldest leaving, and a clear.
    void theCountFollowsTheStore()
    {
        TranscriptStore store(TranscriptStore::Limits{.entries = 3});
        TranscriptFinder finder(store);
        const auto add = [&store](const char* text) {
            store.append({{}, {}, QString::fromUtf8(text), LineLook::Chat});
        };
        add("Šárka");
        add("nic");
        finder.setQuery(QStringLiteral("sar"));
        // What is written, and the count after it.
        const std::pair<const char*, const char*> steps[] = {
            {"SARKA a šárka", "1 z 3"}, // the current match stays
            {"nic", "1 z 2"}, // it left, the oldest kept is current
            {"", "0 z 0"}, // cleared
            {"šárka", "1 z 1"}};
        QCOMPARE(finder.countText(), QStringLiteral("1 z 1"));
        for (const auto& [text, counted] : steps) {
            if (*text)
                add(text);
            else
                store.clear();
            finder.onStoreChanged();
            QCOMPARE(finder.countText(), QString::fromUtf8(counted));
        }
    }

    // An address shows as written and is the only thing that becomes a link; markup and other
    // schemes stay text. A click opens the address, www. over http.
    void addressesBecomeLinksAndNothingElse()
    {
        // The line, the links it shows, and what a click on the first one opens.
        const std::tuple<QString, QStringList, QString> rows[] = {
            {"<b>viz</b> http://a.cz/x?y=1&amp;z=<i>",
             {"http://a.cz/x?y=1&amp;z="},
             "http://a.cz/x?y=1&amp;z="},
            {"(www.Seznam.cz), https://x.cz/a_(b).",
             {"www.Seznam.cz", "https://x.cz/a_(b)"},
             "http://www.Seznam.cz"},
            {"<a href=\"FTP://server/s.txt\">klik</a>",
             {"FTP://server/s.txt"},
             "ftp://server/s.txt"},
            {"javascript:alert(1) file:///etc/passwd file://www.x.cz", {}, ""},
            {"xhttp://a.cz http:// www. mailto:x@www.a.cz JAVASCRIPT://x", {}, ""},
        };
        for (const auto& [line, links, opens] : rows) {
            TranscriptView view;
            view.resize(900, 200);
            view.show();
            QList<QUrl> opened;
            view.setLinkOpener([&opened](const QUrl& url) { opened << url; });
            view.appendBareLine(line, LineLook::Chat);
            QTRY_COMPARE(view.toPlainText(), line + '\n');
            QCOMPARE(anchorsIn(*view.document()), links);
            // A click in the middle of the first address, and one on the text before it.
            const qsizetype at = links.isEmpty() ? 0 : line.indexOf(links.first()) + 3;
            QTextCursor under(view.document());
            under.setPosition(int(at));
            const QPoint first = view.cursorRect(under).center() + QPoint(2, 0);
            QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, first);
            QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                              view.cursorRect(QTextCursor(view.document())).center());
            QCOMPARE(opened, opens.isEmpty() ? QList<QUrl>() : QList<QUrl>{QUrl(opens)});
        }
    }
};

QTEST_MAIN(tst_FindAndLinks)
#include "tst_findandlinks.moc"
