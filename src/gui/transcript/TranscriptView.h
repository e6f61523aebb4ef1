#pragma once

#include "TextFold.h"
#include "TranscriptStore.h"
#include "core/protocol/TranscriptSink.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTime>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <deque>
#include <functional>

// The pane "chat": every entry the user reads arrives through appendLine. The transcript keeps
// the entries in its store, as many as its bounds allow; the pane shows the newest of them and
// lays out only what comes into view, so an append, a resize or a clear costs the same at ten
// entries or at a million.
class TranscriptView final : public QPlainTextEdit, public TranscriptSink {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TranscriptView)

public:
    using Clock = std::function<QTime()>;
    using LinkOpener = std::function<void(const QUrl&)>;

    // The pane shows at most this many of the newest entries, older ones stay in the store:
    // enough to scroll back through a busy afternoon, few enough to lay out at once.
    static constexpr qsizetype ShownEntries = 10'000;
    // And at most this many characters, so that a flood of long lines cannot make the pane
    // the biggest user of memory.
    static constexpr qsizetype ShownCharacters = 4'000'000;
    // Past either bound the oldest go this many more at a time, so removals stay rare.
    static constexpr qsizetype DropBatch = 500;
    static constexpr qsizetype DropCharacters = 200'000;
    // A longer message is shown cut, with " …" after it: a line longer than a few screens is
    // read in an export, and laying it out would slow every resize. The store keeps it whole.
    static constexpr qsizetype ShownMessage = 4'096;
    // How long putting entries into the pane may take before the event loop gets its turn.
    static constexpr std::chrono::milliseconds DefaultShowBudget{4};
    // A match older than the pane holds is shown among this many entries on either side, and
    // no more characters than these on either side, so bringing it up never holds the window.
    static constexpr qsizetype BrowsedEntries = 200;
    static constexpr qsizetype BrowsedCharacters = 100'000;

    explicit TranscriptView(QWidget* parent = nullptr);

    void appendLine(const QString& text, LineLook look = LineLook::Chat,
                    const QString& nick = {}) override;
    void appendBareLine(const QString& text, LineLook look) override;
    void clearTranscript();
    // The entries since the start or the last clear that the store keeps, in order.
    const TranscriptEntries& entries() const { return m_store; }
    const TranscriptStore& store() const { return m_store; }
    // How many of the newest entries the pane holds now.
    qsizetype shownEntries() const { return qsizetype(m_shown.size()); }

    // Stamps read the time from here; an empty clock restores the local time of day.
    void setClock(Clock clock);
    // Tests lengthen it, so that what one turn shows does not hang on the machine's speed.
    void setShowBudget(std::chrono::milliseconds budget) { m_showBudget = budget; }
    // A click on an address goes here; an empty opener restores the desktop's browser.
    void setLinkOpener(LinkOpener opener);

    // A bar across the foot of the pane (the find bar); the text gives it room while it shows.
    void setFooter(QWidget* footer);
    // Marks each place the query appears in what is in view, case and accents set aside; an
    // empty query marks none.
    void setHighlight(const QString& query);
    // Brings the occurrence-th place of the highlighted query in the entry into view and
    // selects it; an entry older than the pane holds is shown among its neighbours, and the
    // pane then waits with the newest entries until returnToNewest.
    void showMatch(qsizetype serial, qsizetype occurrence);
    void returnToNewest();
    bool showsOlderEntries() const { return m_browsing; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // Raised per run of an entry as it is appended, with the entry's nick (empty for an
    // entry without one) and text; and once per clearing, with both empty.
    void changed(const QString& nick, const QString& text);
    // Every entry as it is appended, for what keeps the transcript elsewhere.
    void entryAppended(const TranscriptEntry& entry);

private:
    void append(const TranscriptEntry& entry, const QString& nick);
    // Entries written since the last turn of the event loop go into the pane on the next one,
    // in one edit with one scroll to the end; a flood goes in over as many turns as it needs.
    void queueShowing();
    void showPending();
    qsizetype oldestWorthShowing(qsizetype end) const;
    void insertEntry(const TranscriptEntry& entry);
    void insertMessage(const QString& message, LineLook look);
    void dropOldestShown();
    void restartPane();
    void browseAround(qsizetype serial);
    QTextBlock firstBlockOf(qsizetype serial) const;
    void refreshHighlights();
    void placeFooter();
    // The address under the point, as written; empty off a link.
    QString linkAt(const QPoint& point) const;

    // Appends go through a cursor of our own, so a selection the user is making survives.
    QTextCursor m_end;
    Clock m_clock;
    TranscriptStore m_store;
    qsizetype m_shownUpTo = 0; // serial after the newest entry in the pane
    // Lines and characters of each entry in the pane, oldest first.
    struct Shown {
        int blocks;
        int characters;
    };
    std::deque<Shown> m_shown;
    QTimer m_showing;
    std::chrono::milliseconds m_showBudget = DefaultShowBudget;

    LinkOpener m_openLink;
    QString m_pressedLink;
    QPoint m_pressedAt;
    bool m_overLink = false;

    QWidget* m_footer = nullptr;
    TextFold::Pattern m_highlight;
    QTextCursor m_match;
    QTimer m_highlighting;
    // The pane shows entries around an older match instead of the newest.
    bool m_browsing = false;
    // Appends leave the view where a match put it.
    bool m_keepPlace = false;
};
