#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include <functional>

// Lets at most a number of events through in any window of time, counted apart for each key
// (a source address). Bounded: a flood from ever new keys cannot make it grow without end.
class RateLimiter final {
public:
    // Milliseconds that never go back.
    using Clock = std::function<qint64()>;
    static qint64 steadyMilliseconds();

    // Keys heard from within one window; past this, new keys wait until old ones fall quiet.
    static constexpr qsizetype MaxKeys = 4096;

    RateLimiter(int events, qint64 windowMs, Clock clock = steadyMilliseconds);

    // Whether one more event for the key fits; it is counted when it does.
    bool allow(const QString& key = {});

private:
    void forgetQuietKeys(qint64 now);

    const int m_events;
    const qint64 m_window;
    Clock m_clock;
    QHash<QString, QList<qint64>> m_times; // of the last events let through, oldest first
    qint64 m_lastSweep = 0;
};
