#include "TranscriptView.h"

#include "core/app/Platform.h"

#include <QElapsedTimer>
#include <QFont>
#include <QLocale>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QTextOption>

#include <algorithm>
#include <array>
#include <utility>

namespace {

// Runs name colour, weight and size and nothing else: face, italic and underline come from
// the pane's font, and no run can inherit the look of the run before it.
QTextCharFormat formatOf(const RunLook& look)
{
    QTextCharFormat format;
    format.setForeground(look.color);
    format.setFontWeight(look.bold ? QFont::Bold : QFont::Normal);
    format.setFontPointSize(look.points);
    return format;
}

const QTextCharFormat& stampFormat()
{
    static const QTextCharFormat format = formatOf(TranscriptLooks::stamp());
    return format;
}

const QTextCharFormat& nickFormat()
{
    static const QTextCharFormat format = formatOf(TranscriptLooks::nick());
    return format;
}

const QTextCharFormat& messageFormat(LineLook look)
{
    static const std::array<QTextCharFormat, 5> formats = {
        formatOf(TranscriptLooks::message(LineLook::Chat)),
        formatOf(TranscriptLooks::message(LineLook::Status)),
        formatOf(TranscriptLooks::message(LineLook::Action)),
        formatOf(TranscriptLooks::message(LineLook::Presence)),
        formatOf(TranscriptLooks::message(LineLook::Alert))};
    return formats[std::size_t(look)];
}

QTime localTime()
{
    return QTime::currentTime();
}

QString shownMessage(const QString& message)
{
    if (message.size() <= TranscriptView::ShownMessage)
        return message;
    // Never half of a surrogate pair before the mark.
    const qsizetype cut = message.at(TranscriptView::ShownMessage - 1).isHighSurrogate()
                              ? TranscriptView::ShownMessage - 1
                              : TranscriptView::ShownMessage;
    return message.left(cut) + QStringLiteral(" …");
}

} // namespace

TranscriptView::TranscriptView(QWidget* parent)
    : QPlainTextEdit(parent)
    , m_clock(localTime)
{
    setObjectName(QStringLiteral("chat"));
    setReadOnly(true);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);

    QFont face = font();
    face.setFamilies({QStringLiteral("Verdana")});
    face.setStyleHint(QFont::SansSerif);
    face.setPointSize(8);
    setFont(face);

    // Nobody can undo an append, and the undo history would grow with the transcript.
    document()->setUndoRedoEnabled(false);
    // Lines take the pane's direction instead of guessing it from their text: the guess walks
    // QTextDocument's trees for every line laid out and cost a quarter of each append.
    QTextOption option = document()->defaultTextOption();
    option.setTextDirection(layoutDirection());
    document()->setDefaultTextOption(option);

    m_end = QTextCursor(document());

    // A timer rather than a posted event, so a flood that takes many turns leaves timers theirs.
    m_showing.setSingleShot(true);
    m_showing.setInterval(0);
    connect(&m_showing, &QTimer::timeout, this, &TranscriptView::showPending);
}

void TranscriptView::setClock(Clock clock)
{
    m_clock = clock ? std::move(clock) : localTime;
}

void TranscriptView::appendLine(const QString& text, LineLook look, const QString& nick)
{
    // A nick of blanks alone shows nothing to tell the speaker by, and the line goes without
    // stamp and nick, as it always has.
    const bool blankNick = !nick.isEmpty() && std::all_of(nick.cbegin(), nick.cend(), [](QChar c) {
        return c == QLatin1Char(' ');
    });
    if (blankNick) {
        appendBareLine(text, look);
        return;
    }
    const QString time = QLocale::c().toString(m_clock(), QStringLiteral("hh:mm:ss"));
    TranscriptEntry entry{QLatin1Char('[') + time + QLatin1Char(']'), {}, text, look};
    if (!nick.isEmpty())
        entry.nick = QLatin1Char('<') + nick + QLatin1Char('>');
    append(entry, nick);
}

void TranscriptView::appendBareLine(const QString& text, LineLook look)
{
    append({{}, {}, text, look}, {});
}

void TranscriptView::append(const TranscriptEntry& entry, const QString& nick)
{
    m_store.append(entry);
    queueShowing();
    emit entryAppended(entry);
    // One change per run of the entry: stamp, nick and text.
    const int runs = 1 + int(!entry.stamp.isEmpty()) + int(!entry.nick.isEmpty());
    for (int i = 0; i < runs; ++i)
        emit changed(nick, entry.message);
}

void TranscriptView::clearTranscript()
{
    // Start-up clears an empty transcript, and has nothing to give back.
    const bool held = m_store.entryCount() > 0 || m_store.droppedCount() > 0;
    m_store.clear();
    m_shownUpTo = 0;
    restartPane();
    // The heap would keep what the transcript freed; a station left running gives it back.
    if (held)
        Platform::returnFreedMemory();
    emit changed({}, {});
}

void TranscriptView::queueShowing()
{
    if (!m_showing.isActive())
        m_showing.start();
}

void TranscriptView::showPending()
{
    const qsizetype end = m_store.droppedCount() + m_store.entryCount();
    if (m_shownUpTo >= end)
        return;
    // When the waiting entries alone fill the pane, or the store let some go before they were
    // shown, the pane starts afresh and the older ones never need to go in.
    if (const qsizetype oldest = oldestWorthShowing(end); oldest > m_shownUpTo) {
        restartPane();
        m_shownUpTo = oldest;
    }
    if (!m_end.atEnd())
        m_end.movePosition(QTextCursor::End);
    QElapsedTimer spent;
    spent.start();
    m_end.beginEditBlock();
    while (m_shownUpTo < end && spent.elapsed() < m_showBudget.count())
        insertEntry(m_store.entryAt(m_shownUpTo++ - m_store.droppedCount()));
    m_end.endEditBlock();
    // An edit of its own: one that spanned the top and the end would make the pane forget the
    // layout of every line in between.
    dropOldestShown();

    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->maximum());
    // A flood leaves more than one turn's worth; the rest follows after input and painting.
    if (m_shownUpTo < end)
        queueShowing();
}

qsizetype TranscriptView::oldestWorthShowing(qsizetype end) const
{
    // Counts a message no longer than it is shown, without reading it; dropOldestShown settles
    // what the estimate misses.
    const qsizetype dropped = m_store.droppedCount();
    const qsizetype from = qMax(m_shownUpTo, dropped);
    qsizetype characters = 0;
    qsizetype oldest = end;
    while (oldest > from && end - oldest < ShownEntries) {
        characters += qMin(m_store.charactersAt(oldest - 1 - dropped), ShownMessage) + 1;
        if (characters > ShownCharacters)
            break;
        --oldest;
    }
    return oldest;
}

void TranscriptView::insertEntry(const TranscriptEntry& entry)
{
    const int blocksBefore = document()->blockCount();
    const int charactersBefore = document()->characterCount();
    if (!entry.stamp.isEmpty())
        m_end.insertText(entry.stamp, stampFormat());
    if (!entry.nick.isEmpty())
        m_end.insertText(entry.nick, nickFormat());
    // insertText turns each CR, and each CR LF pair, into a block break carrying this look.
    m_end.insertText(shownMessage(entry.message) + QLatin1String("\r\n"),
                     messageFormat(entry.look));
    m_shown.push_back(
        {document()->blockCount() - blocksBefore, document()->characterCount() - charactersBefore});
}

void TranscriptView::dropOldestShown()
{
    qsizetype characters = document()->characterCount();
    if (shownEntries() <= ShownEntries && characters <= ShownCharacters)
        return;
    // Many at a time: each removal costs the same fixed amount.
    int blocks = 0;
    while (!m_shown.empty() && (shownEntries() > ShownEntries - DropBatch ||
                                characters > ShownCharacters - DropCharacters)) {
        blocks += m_shown.front().blocks;
        characters -= m_shown.front().characters;
        m_shown.pop_front();
    }
    // Moving block by block would lay out every line on the way.
    QTextCursor oldest(document());
    oldest.setPosition(document()->findBlockByNumber(blocks).position(), QTextCursor::KeepAnchor);
    // The line that becomes the first keeps the look of its own line break.
    const QTextCharFormat firstLook = oldest.blockCharFormat();
    oldest.removeSelectedText();
    oldest.setBlockCharFormat(firstLook);
}

void TranscriptView::restartPane()
{
    clear();
    m_shown.clear();
    m_end = QTextCursor(document());
}
