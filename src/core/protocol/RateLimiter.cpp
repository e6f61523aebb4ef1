#include "RateLimiter.h"

#include <chrono>

qint64 RateLimiter::steadyMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

RateLimiter::RateLimiter(int events, qint64 windowMs, Clock clock)
    : m_events(events)
    , m_window(windowMs)
    , m_clock(std::move(clock))
{
}

bool RateLimiter::allow(const QString& key)
{
    const qint64 now = m_clock();
    auto times = m_times.find(key);
    if (times == m_times.end()) {
        if (m_times.size() >= MaxKeys) {
            forgetQuietKeys(now);
            if (m_times.size() >= MaxKeys)
                return false;
        }
        times = m_times.insert(key, {});
    }
    if (times->size() >= m_events) {
        if (now - times->constFirst() < m_window)
            return false;
        times->removeFirst();
    }
    times->append(now);
    return true;
}

void RateLimiter::forgetQuietKeys(qint64 now)
{
    // At most once a window, so a full table under a flood costs nothing per event.
    if (m_lastSweep != 0 && now - m_lastSweep < m_window)
        return;
    m_lastSweep = now;
    m_times.removeIf([&](const auto& item) { return now - item.value().constLast() >= m_window; });
}
