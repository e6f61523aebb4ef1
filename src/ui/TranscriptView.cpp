#include "ui/TranscriptView.h"

#include <QColor>
#include <QFont>
#include <QLocale>
#include <QScrollBar>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QTextOption>

#include <algorithm>
#include <utility>

namespace {

// Runs name colour, weight and size and nothing else: face, italic and underline come from
// the pane's font, and no run can inherit the look of the run before it.
QTextCharFormat runFormat(int r, int g, int b, bool bold, int points)
{
    QTextCharFormat format;
    format.setForeground(QColor(r, g, b));
    format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    format.setFontPointSize(points);
    return format;
}

const QTextCharFormat& stampFormat()
{
    static const QTextCharFormat format = runFormat(0, 0, 255, true, 7);
    return format;
}

const QTextCharFormat& nickFormat()
{
    static const QTextCharFormat format = runFormat(0, 0, 0, true, 8);
    return format;
}

const QTextCharFormat& messageFormat(int mtype)
{
    static const QTextCharFormat status = runFormat(128, 128, 128, false, 7);
    static const QTextCharFormat action = runFormat(0, 128, 0, true, 8);
    static const QTextCharFormat presence = runFormat(0, 32, 128, false, 7);
    static const QTextCharFormat alert = runFormat(128, 32, 0, true, 8);
    static const QTextCharFormat plain = runFormat(0, 0, 0, false, 8);
    switch (mtype) {
    case 1:
        return status;
    case 2:
        return action;
    case 3:
        return presence;
    case 4:
        return alert;
    default:
        return plain;
    }
}

QTime localTime()
{
    return QTime::currentTime();
}

} // namespace

TranscriptView::TranscriptView(QWidget* parent)
    : QTextEdit(parent)
    , m_clock(localTime)
{
    setObjectName(QStringLiteral("chat"));
    setReadOnly(true);

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
    m_end.movePosition(QTextCursor::End);
}

void TranscriptView::setClock(Clock clock)
{
    m_clock = clock ? std::move(clock) : localTime;
}

void TranscriptView::AddLine(const QString& Msg, int mtype, const QString& UName)
{
    // Callers pass a nick of spaces to ask for a bare line; any other character is a nick.
    const bool bare = !UName.isEmpty() && std::all_of(UName.cbegin(), UName.cend(), [](QChar c) {
        return c == QLatin1Char(' ');
    });
    if (!m_end.atEnd())
        m_end.movePosition(QTextCursor::End);

    // One edit block per entry, so the pane lays the entry out once rather than once per run.
    TranscriptEntry entry{{}, {}, Msg, mtype};
    int runs = 0;
    m_end.beginEditBlock();
    if (!bare) {
        const QString time = QLocale::c().toString(m_clock(), QStringLiteral("hh:mm:ss"));
        entry.stamp = QLatin1Char('[') + time + QLatin1Char(']');
        m_end.insertText(entry.stamp, stampFormat());
        ++runs;
        if (!UName.isEmpty()) {
            entry.nick = QLatin1Char('<') + UName + QLatin1Char('>');
            m_end.insertText(entry.nick, nickFormat());
            ++runs;
        }
    }
    // insertText turns each CR, and each CR LF pair, into a block break carrying this look.
    m_end.insertText(Msg + QLatin1String("\r\n"), messageFormat(mtype));
    ++runs;
    m_end.endEditBlock();
    m_store.append(std::move(entry));

    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->maximum());

    // Listeners hear of every run, once the entry is complete and laid out.
    for (int i = 0; i < runs; ++i)
        emit chat_Change();
}

void TranscriptView::clearTranscript()
{
    clear();
    m_store.clear();
    m_end = QTextCursor(document());
    emit chat_Change();
}
