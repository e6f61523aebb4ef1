#include "TranscriptView.h"

#include "WebLinks.h"
#include "core/app/Platform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFont>
#include <QLocale>
#include <QMouseEvent>
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

// An address keeps its line's size and weight, in the desktop's colour for links.
const QTextCharFormat& linkFormat(LineLook look)
{
    static const std::array<QTextCharFormat, 5> formats = [] {
        std::array<QTextCharFormat, 5> made;
        for (std::size_t i = 0; i < made.size(); ++i) {
            made[i] = messageFormat(LineLook(i));
            made[i].setAnchor(true);
            made[i].setFontUnderline(true);
            made[i].setForeground(QApplication::palette().color(QPalette::Link));
        }
        return made;
    }();
    return formats[std::size_t(look)];
}

void openInBrowser(const QUrl& url)
{
    QDesktopServices::openUrl(url);
}

// Enough for a screenful of matches; a pane of "e" marks no more than that.
constexpr qsizetype MostMarks = 1'000;

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
    , m_openLink(openInBrowser)
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

    // Marks follow what is in view, worked out once per turn however it moved.
    m_highlighting.setSingleShot(true);
    m_highlighting.setInterval(0);
    connect(&m_highlighting, &QTimer::timeout, this, &TranscriptView::refreshHighlights);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        if (!m_highlight.isEmpty())
            m_highlighting.start();
    });
    viewport()->setMouseTracking(true);
}

void TranscriptView::setLinkOpener(LinkOpener opener)
{
    m_openLink = opener ? std::move(opener) : openInBrowser;
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
    m_browsing = false;
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
    if (m_browsing || m_shownUpTo >= end)
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

    if (!m_keepPlace)
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    if (!m_highlight.isEmpty())
        m_highlighting.start();
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
    insertMessage(entry.message, entry.look);
    m_shown.push_back(
        {document()->blockCount() - blocksBefore, document()->characterCount() - charactersBefore});
}

void TranscriptView::insertMessage(const QString& message, LineLook look)
{
    const QString shown = shownMessage(message);
    // An address the cut runs through is not the one received, and stays text.
    const qsizetype cut = shown.size() == message.size() ? shown.size() + 1 : shown.size() - 2;
    qsizetype written = 0;
    for (const WebLinks::Span& link : WebLinks::find(shown)) {
        if (link.start + link.length >= cut)
            break;
        if (link.start > written)
            m_end.insertText(shown.mid(written, link.start - written), messageFormat(look));
        m_end.insertText(shown.mid(link.start, link.length), linkFormat(look));
        written = link.start + link.length;
    }
    // insertText turns each CR, and each CR LF pair, into a block break carrying this look.
    m_end.insertText(shown.mid(written) + QLatin1String("\r\n"), messageFormat(look));
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

QTextBlock TranscriptView::firstBlockOf(qsizetype serial) const
{
    const qsizetype first = m_shownUpTo - shownEntries();
    int block = 0;
    for (qsizetype i = first; i < serial; ++i)
        block += m_shown[std::size_t(i - first)].blocks;
    return document()->findBlockByNumber(block);
}

void TranscriptView::browseAround(qsizetype serial)
{
    m_browsing = true;
    m_showing.stop();
    restartPane();
    const qsizetype dropped = m_store.droppedCount();
    const qsizetype end = dropped + m_store.entryCount();
    const auto costOf = [&](qsizetype entry) {
        return qMin(m_store.charactersAt(entry - dropped), ShownMessage) + 1;
    };
    qsizetype from = serial;
    qsizetype to = serial + 1;
    for (qsizetype characters = 0;
         from > dropped && serial - from < BrowsedEntries && characters < BrowsedCharacters; --from)
        characters += costOf(from - 1);
    for (qsizetype characters = 0;
         to < end && to - serial <= BrowsedEntries && characters < BrowsedCharacters; ++to)
        characters += costOf(to);
    m_end.beginEditBlock();
    for (qsizetype entry = from; entry < to; ++entry)
        insertEntry(m_store.entryAt(entry - dropped));
    m_end.endEditBlock();
    m_shownUpTo = to;
}

void TranscriptView::showMatch(qsizetype serial, qsizetype occurrence)
{
    const qsizetype dropped = m_store.droppedCount();
    if (serial < dropped || serial >= dropped + m_store.entryCount())
        return;
    if (serial < m_shownUpTo - shownEntries() || serial >= m_shownUpTo)
        browseAround(serial);
    const int lines = m_shown[std::size_t(serial - (m_shownUpTo - shownEntries()))].blocks;
    // The pane holds the entry as the store does, line by line, up to where a long one is cut;
    // an occurrence past the cut leaves the entry's first line selected.
    const auto locate = [&] {
        qsizetype seen = 0;
        QTextBlock block = firstBlockOf(serial);
        const QTextCursor start(block);
        for (int line = 0; line < lines; ++line, block = block.next()) {
            const QString text = block.text();
            for (qsizetype at = m_highlight.indexIn(text); at >= 0;
                 at = m_highlight.indexIn(text, at + m_highlight.size())) {
                if (seen++ < occurrence)
                    continue;
                QTextCursor found(block);
                found.setPosition(block.position() + int(at));
                found.setPosition(block.position() + int(at + m_highlight.size()),
                                  QTextCursor::KeepAnchor);
                return found;
            }
        }
        return start;
    };
    const QTextCursor found = locate();
    m_keepPlace = true;
    m_match = found;
    setTextCursor(found);
    centerCursor();
    refreshHighlights();
}

void TranscriptView::returnToNewest()
{
    m_keepPlace = false;
    m_match = {};
    if (m_browsing) {
        m_browsing = false;
        restartPane();
        m_shownUpTo = m_store.droppedCount();
        showPending();
    }
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void TranscriptView::setHighlight(const QString& query)
{
    m_highlight = TextFold::Pattern(query);
    if (m_highlight.isEmpty())
        m_match = {};
    refreshHighlights();
}

void TranscriptView::refreshHighlights()
{
    QList<QTextEdit::ExtraSelection> marks;
    if (!m_highlight.isEmpty()) {
        QTextCharFormat look;
        look.setBackground(QColor(0xff, 0xee, 0x58));
        const QPointF offset = contentOffset();
        const int bottom = viewport()->height();
        for (QTextBlock block = firstVisibleBlock();
             block.isValid() && blockBoundingGeometry(block).translated(offset).top() < bottom &&
             marks.size() < MostMarks;
             block = block.next()) {
            const QString text = block.text();
            for (qsizetype at = m_highlight.indexIn(text); at >= 0;
                 at = m_highlight.indexIn(text, at + m_highlight.size())) {
                QTextCursor mark(block);
                mark.setPosition(block.position() + int(at));
                mark.setPosition(block.position() + int(at + m_highlight.size()),
                                 QTextCursor::KeepAnchor);
                marks.append({mark, look});
            }
        }
        if (m_match.hasSelection()) {
            look.setBackground(QColor(0xff, 0x98, 0x00));
            marks.append({m_match, look});
        }
    }
    setExtraSelections(marks);
}

void TranscriptView::setFooter(QWidget* footer)
{
    m_footer = footer;
    footer->setParent(this);
    footer->installEventFilter(this);
    placeFooter();
}

void TranscriptView::placeFooter()
{
    if (!m_footer)
        return;
    const int height = m_footer->isVisibleTo(this) ? m_footer->sizeHint().height() : 0;
    setViewportMargins(0, 0, 0, height);
    const QRect text = viewport()->geometry();
    m_footer->setGeometry(text.left(), text.bottom() + 1, text.width(), height);
}

bool TranscriptView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_footer && (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        placeFooter();
    return QPlainTextEdit::eventFilter(watched, event);
}

void TranscriptView::resizeEvent(QResizeEvent* event)
{
    QPlainTextEdit::resizeEvent(event);
    placeFooter();
    if (!m_highlight.isEmpty())
        m_highlighting.start();
}

QString TranscriptView::linkAt(const QPoint& point) const
{
    const QTextBlock block = cursorForPosition(point).block();
    const QTextLayout* layout = block.layout();
    if (!layout)
        return {};
    const QPointF inBlock =
        QPointF(point) - blockBoundingGeometry(block).translated(contentOffset()).topLeft();
    for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        if (inBlock.y() < line.y() || inBlock.y() >= line.y() + line.height() ||
            inBlock.x() < line.x() || inBlock.x() >= line.x() + line.naturalTextWidth())
            continue;
        const int at = line.xToCursor(inBlock.x(), QTextLine::CursorOnCharacter);
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int start = fragment.position() - block.position();
            if (at >= start && at < start + fragment.length())
                return fragment.charFormat().isAnchor() ? fragment.text() : QString();
        }
    }
    return {};
}

void TranscriptView::mousePressEvent(QMouseEvent* event)
{
    m_pressedLink =
        event->button() == Qt::LeftButton ? linkAt(event->position().toPoint()) : QString();
    m_pressedAt = event->position().toPoint();
    QPlainTextEdit::mousePressEvent(event);
}

void TranscriptView::mouseReleaseEvent(QMouseEvent* event)
{
    QPlainTextEdit::mouseReleaseEvent(event);
    const QPoint at = event->position().toPoint();
    // A drag that starts on an address selects text; only a click opens it.
    const bool click = (at - m_pressedAt).manhattanLength() < QApplication::startDragDistance();
    const QString link = std::exchange(m_pressedLink, QString());
    if (event->button() != Qt::LeftButton || !click || link.isEmpty() || linkAt(at) != link)
        return;
    if (const QUrl url = WebLinks::target(link); url.isValid())
        m_openLink(url);
}

void TranscriptView::mouseMoveEvent(QMouseEvent* event)
{
    QPlainTextEdit::mouseMoveEvent(event);
    const bool overLink = !linkAt(event->position().toPoint()).isEmpty();
    if (overLink != m_overLink) {
        m_overLink = overLink;
        viewport()->setCursor(overLink ? Qt::PointingHandCursor : Qt::IBeamCursor);
    }
}
