#pragma once

#include "core/protocol/RateLimiter.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>

class TranscriptSink;

// One file on its way, in either direction: what its progress window shows, and the end
// every transfer reaches exactly once, with a line that says how it went.
class Transfer : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Transfer)

public:
    enum class Direction { Sending, Receiving };
    // Where an outgoing file stands among the files queued for its user; 0 when not queued.
    struct QueuePlace {
        int position = 0;
        int count = 0;
        int waiting() const { return count - position; }
        bool operator==(const QueuePlace&) const = default;
    };

    // A peer that neither connects nor moves a byte for this long is given up on.
    static constexpr std::chrono::milliseconds DefaultIdleTimeout{60000};
    // How late past its timeout a stalled transfer may end: a twelfth of the default, which
    // no user waiting on a window tells apart from the minute itself.
    static constexpr std::chrono::milliseconds MaxIdleCheckInterval{5000};

    Direction direction() const { return m_direction; }
    // The file as its window names it, and the size it is expected to have.
    QString fileLabel() const { return m_fileLabel; }
    qint64 totalSize() const { return m_total; }
    qint64 done() const { return m_done; }
    // Connected and not finished.
    bool isRunning() const { return m_connected && !m_finished; }
    bool isFinished() const { return m_finished; }

    void setIdleTimeout(std::chrono::milliseconds timeout);
    // What the idle time is measured by; the steady clock unless a test steers it.
    void setClock(RateLimiter::Clock clock);
    // The user stops it from its window.
    virtual void cancel() = 0;
    // The user stops it and the files queued after it.
    void cancelWithRest();
    QueuePlace queuePlace() const { return m_queuePlace; }
    void setQueuePlace(QueuePlace place);

signals:
    void progressed(qint64 done);
    void finished();
    void queuePlaceChanged();
    // The files queued after this one are not to be offered.
    void restCancelled();

protected:
    Transfer(Direction direction, TranscriptSink& transcript, QString fileLabel, QString fileName,
             qint64 total, QObject* parent);

    TranscriptSink& transcript() { return m_transcript; }
    // The file as the transcript names it.
    QString fileName() const { return m_fileName; }
    void markConnected();
    void advance(qint64 bytes);
    // Ends with an alert line naming the file and what went wrong.
    void fail(const QString& reason);
    // Ends normally, with a progress line when one is given.
    void complete(const QString& line = {});
    // Closes sockets and files; called once, as the transfer ends.
    virtual void release() = 0;

private:
    void checkIdle();
    void finish();

    Direction m_direction;
    TranscriptSink& m_transcript;
    QString m_fileLabel;
    QString m_fileName;
    qint64 m_total = 0;
    qint64 m_done = 0;
    std::chrono::milliseconds m_idleTimeout = DefaultIdleTimeout;
    RateLimiter::Clock m_clock = RateLimiter::steadyMilliseconds;
    qint64 m_lastProgress = 0; // when it connected or last moved a byte
    bool m_connected = false;
    bool m_finished = false;
    QueuePlace m_queuePlace;
    QTimer m_idleCheck;
};
