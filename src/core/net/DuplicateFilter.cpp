#include "DuplicateFilter.h"

#include <QRandomGenerator>

#include <algorithm>

DuplicateFilter::DuplicateFilter()
    // Seeded at random, so that no peer can craft two datagrams that pass for each other.
    : m_seed(size_t(QRandomGenerator::system()->generate64()))
{
}

bool DuplicateFilter::admit(const QString& source, QByteArrayView datagram, qint64 nowMs)
{
    const size_t digest = qHash(datagram, m_seed);
    auto found = m_sources.find(source);
    if (found != m_sources.end()) {
        const auto& seen = found->seen;
        const bool copy = std::any_of(seen.cbegin(), seen.cend(), [&](const Seen& each) {
            return each.size == datagram.size() && each.digest == digest &&
                   nowMs - each.at < WindowMs;
        });
        if (copy)
            return false;
    } else {
        makeRoom(nowMs);
        found = m_sources.insert(source, Recent{});
    }
    Recent& recent = *found;
    recent.seen[std::size_t(recent.next)] = {digest, datagram.size(), nowMs};
    recent.next = (recent.next + 1) % RecentPerSource;
    recent.lastAt = nowMs;
    return true;
}

void DuplicateFilter::makeRoom(qint64 nowMs)
{
    if (m_sources.size() < MostSources)
        return;
    // Sources quiet for longer than the window have nothing left worth remembering.
    m_sources.removeIf(
        [nowMs](const auto& entry) { return nowMs - entry.value().lastAt >= WindowMs; });
    if (m_sources.size() < MostSources)
        return;
    // Otherwise the one heard from longest ago goes: at worst one of its copies shows.
    auto oldest =
        std::min_element(m_sources.begin(), m_sources.end(),
                         [](const Recent& a, const Recent& b) { return a.lastAt < b.lastAt; });
    m_sources.erase(oldest);
}
