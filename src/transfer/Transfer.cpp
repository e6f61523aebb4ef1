#include "Transfer.h"

#include "protocol/TranscriptSink.h"

#include <utility>

Transfer::Transfer(Direction direction, TranscriptSink& transcript, QString fileLabel,
                   QString fileName, qint64 total, QObject* parent)
    : QObject(parent)
    , m_direction(direction)
    , m_transcript(transcript)
    , m_fileLabel(std::move(fileLabel))
    , m_fileName(std::move(fileName))
    , m_total(total)
{
    // Checked once a period rather than restarted for every block: a gigabyte is a hundred
    // thousand of them.
    m_idle.setInterval(DefaultIdleTimeout);
    connect(&m_idle, &QTimer::timeout, this, [this] {
        if (!std::exchange(m_active, false))
            fail(QStringLiteral("protistrana neodpovídá"));
    });
    m_idle.start();
}

void Transfer::setIdleTimeout(std::chrono::milliseconds timeout)
{
    m_idle.setInterval(timeout);
    if (!m_finished)
        m_idle.start();
}

void Transfer::markConnected()
{
    m_connected = true;
    m_active = true;
}

void Transfer::advance(qint64 bytes)
{
    m_done += bytes;
    m_active = true;
    emit progressed(m_done);
}

void Transfer::fail(const QString& reason)
{
    if (m_finished)
        return;
    m_transcript.AddLine(QStringLiteral("chyba při přenosu souboru ") + m_fileName +
                             QStringLiteral(" - ") + reason,
                         4);
    finish();
}

void Transfer::complete(const QString& line)
{
    if (m_finished)
        return;
    if (!line.isEmpty())
        m_transcript.AddLine(line, 1, QStringLiteral(" "));
    finish();
}

void Transfer::finish()
{
    // Marked first: closing a socket can report its end again from inside release().
    m_finished = true;
    m_idle.stop();
    release();
    emit finished();
}
