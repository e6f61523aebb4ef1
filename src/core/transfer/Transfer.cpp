#include "Transfer.h"

#include "core/protocol/TranscriptSink.h"

#include <algorithm>
#include <utility>

Transfer::Transfer(Direction direction, TranscriptSink& transcript, QString fileLabel,
                   QString fileName, qint64 total, QObject* parent)
    : QObject(parent)
    , m_direction(direction)
    , m_transcript(transcript)
    , m_fileLabel(std::move(fileLabel))
    , m_fileName(std::move(fileName))
    , m_total(total)
    , m_lastProgress(m_clock())
{
    connect(&m_idleCheck, &QTimer::timeout, this, &Transfer::checkIdle);
    setIdleTimeout(DefaultIdleTimeout);
}

void Transfer::setIdleTimeout(std::chrono::milliseconds timeout)
{
    using std::chrono::milliseconds;
    m_idleTimeout = timeout;
    // Twelve looks per timeout keep a short test timeout as close as the long one.
    m_idleCheck.setInterval(std::clamp(timeout / 12, milliseconds(1), MaxIdleCheckInterval));
    if (!m_finished)
        m_idleCheck.start();
}

void Transfer::setClock(RateLimiter::Clock clock)
{
    m_clock = std::move(clock);
    m_lastProgress = m_clock();
}

void Transfer::cancelWithRest()
{
    emit restCancelled();
    cancel();
}

void Transfer::setQueuePlace(QueuePlace place)
{
    if (place == m_queuePlace)
        return;
    m_queuePlace = place;
    emit queuePlaceChanged();
}

void Transfer::checkIdle()
{
    if (m_clock() - m_lastProgress >= m_idleTimeout.count())
        fail(QStringLiteral("protistrana neodpovídá"));
}

void Transfer::markConnected()
{
    m_connected = true;
    m_lastProgress = m_clock();
}

void Transfer::advance(qint64 bytes)
{
    m_done += bytes;
    m_lastProgress = m_clock();
    emit progressed(m_done);
}

void Transfer::fail(const QString& reason)
{
    if (m_finished)
        return;
    m_transcript.appendLine(QStringLiteral("chyba při přenosu souboru ") + m_fileName +
                                QStringLiteral(" - ") + reason,
                            LineLook::Alert);
    finish();
}

void Transfer::complete(const QString& line)
{
    if (m_finished)
        return;
    if (!line.isEmpty())
        m_transcript.appendBareLine(line, LineLook::Status);
    finish();
}

void Transfer::finish()
{
    // Marked first: closing a socket can report its end again from inside release().
    m_finished = true;
    m_idleCheck.stop();
    release();
    emit finished();
}
