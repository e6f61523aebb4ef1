#include "Composer.h"

#include "core/protocol/ComposerRules.h"
#include "core/protocol/Station.h"
#include "core/protocol/TranscriptSink.h"
#include "core/protocol/WireCodec.h"

#include <QKeyEvent>

Composer::Composer(Station& station, TranscriptSink& transcript, AboutBlock about, QWidget* parent)
    : QLineEdit(parent)
    , m_station(station)
    , m_transcript(transcript)
    , m_about(std::move(about))
{
    setObjectName(QStringLiteral("composer"));
    setToolTip(QStringLiteral("Zde zadejte zprávu k odeslání a poté stiskněte ENTER"));
    updateMaxLength();
    connect(this, &QLineEdit::textChanged, this, &Composer::onTextChanged);
}

void Composer::updateMaxLength()
{
    setMaxLength(ComposerRules::maxLineLength(m_station.ownAddress(), m_station.nick()));
}

QString Composer::wireNote() const
{
    return m_lossy ? QStringLiteral("znaky mimo kódování windows-1250 se odešlou jako ?")
                   : QString();
}

// Told before the line goes, while it can still be changed.
void Composer::onTextChanged(const QString& line)
{
    const bool lossy = WireCodec::encodeCounting(line).replaced > 0;
    if (lossy == m_lossy)
        return;
    m_lossy = lossy;
    emit wireNoteChanged(wireNote());
}

void Composer::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        send();
        return;
    }
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        recall(event->key() == Qt::Key_Up ? -1 : 1);
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void Composer::mousePressEvent(QMouseEvent* event)
{
    emit clicked();
    QLineEdit::mousePressEvent(event);
}

void Composer::send()
{
    const QString line = text();
    if (ComposerRules::kindOf(line) == ComposerRules::Kind::About) {
        m_transcript.appendLine(m_about(), LineLook::Status);
        remember(line);
        clear();
        return;
    }
    const QByteArray packet =
        ComposerRules::dataFor(line, m_station.ownAddress(), m_station.nick());
    if (!m_station.sendPacket(packet)) {
        // The line stays in the box, so the user can send it again.
        m_transcript.appendBareLine(QStringLiteral("zprávu se nepodařilo odeslat"),
                                    LineLook::Alert);
        return;
    }
    remember(line);
    clear();
}

void Composer::remember(const QString& line)
{
    if (!line.isEmpty())
        m_sent.append(line);
    if (m_sent.size() > RecalledLines)
        m_sent.removeFirst();
    m_recalled = m_sent.size();
    m_draft.clear();
}

// As a shell does: past the newest line comes the draft, and nothing lies beyond either end.
void Composer::recall(qsizetype step)
{
    const qsizetype to = m_recalled + step;
    if (to < 0 || to > m_sent.size())
        return;
    if (m_recalled == m_sent.size())
        m_draft = text();
    m_recalled = to;
    setText(to == m_sent.size() ? m_draft : m_sent.at(to));
}
