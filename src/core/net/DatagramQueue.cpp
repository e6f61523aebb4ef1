#include "DatagramQueue.h"

#include <QMutexLocker>

DatagramQueue::DatagramQueue(qsizetype capacityBytes)
    : m_capacity(capacityBytes)
{
}

bool DatagramQueue::push(std::span<ReceivedDatagram> datagrams)
{
    QMutexLocker lock(&m_mutex);
    const bool wasEmpty = m_turns.empty();
    for (ReceivedDatagram& datagram : datagrams) {
        if (costOf(datagram) > m_capacity) {
            ++m_dropped;
            continue;
        }
        add(std::move(datagram));
        // The newcomer counts with its sender; whoever then holds the most loses its oldest.
        while (m_bytes > m_capacity) {
            removeOldest(*m_heaviest.front());
            ++m_dropped;
        }
    }
    return wasEmpty && !m_turns.empty();
}

void DatagramQueue::take(std::deque<ReceivedDatagram>& into, qsizetype max)
{
    QMutexLocker lock(&m_mutex);
    for (; max > 0 && !m_turns.empty(); --max) {
        // Its next turn comes after every other waiting sender's.
        m_turns.splice(m_turns.end(), m_turns, m_turns.begin());
        into.push_back(removeOldest(m_turns.back()));
    }
}

bool DatagramQueue::isEmpty() const
{
    QMutexLocker lock(&m_mutex);
    return m_turns.empty();
}

qsizetype DatagramQueue::sizeBytes() const
{
    QMutexLocker lock(&m_mutex);
    return m_bytes;
}

quint64 DatagramQueue::dropped() const
{
    QMutexLocker lock(&m_mutex);
    return m_dropped;
}

void DatagramQueue::add(ReceivedDatagram&& datagram)
{
    auto found = m_sourceOf.find(datagram.sender);
    if (found == m_sourceOf.end()) {
        Source& source = m_turns.emplace_back();
        source.address = datagram.sender;
        source.rank = m_heaviest.size();
        m_heaviest.push_back(&source);
        found = m_sourceOf.insert(datagram.sender, std::prev(m_turns.end()));
    }
    Source& source = **found;
    const qsizetype cost = costOf(datagram);
    source.waiting.push_back(std::move(datagram));
    reweigh(source, cost);
}

ReceivedDatagram DatagramQueue::removeOldest(Source& source)
{
    ReceivedDatagram oldest = std::move(source.waiting.front());
    source.waiting.pop_front();
    reweigh(source, -costOf(oldest));
    if (source.waiting.empty())
        forget(source);
    return oldest;
}

void DatagramQueue::forget(Source& source)
{
    const std::size_t rank = source.rank;
    swapRanks(rank, m_heaviest.size() - 1);
    m_heaviest.pop_back();
    if (rank < m_heaviest.size())
        settle(rank);
    m_turns.erase(m_sourceOf.take(source.address));
}

void DatagramQueue::reweigh(Source& source, qsizetype change)
{
    source.bytes += change;
    m_bytes += change;
    settle(source.rank);
}

// Moves the sender at rank up or down until none is heavier than the one above it.
void DatagramQueue::settle(std::size_t rank)
{
    const auto heavier = [this](std::size_t first, std::size_t second) {
        return m_heaviest[first]->bytes > m_heaviest[second]->bytes;
    };
    while (rank > 0 && heavier(rank, (rank - 1) / 2)) {
        swapRanks(rank, (rank - 1) / 2);
        rank = (rank - 1) / 2;
    }
    for (;;) {
        std::size_t heaviest = rank;
        for (std::size_t child = 2 * rank + 1; child <= 2 * rank + 2; ++child) {
            if (child < m_heaviest.size() && heavier(child, heaviest))
                heaviest = child;
        }
        if (heaviest == rank)
            return;
        swapRanks(rank, heaviest);
        rank = heaviest;
    }
}

void DatagramQueue::swapRanks(std::size_t first, std::size_t second)
{
    std::swap(m_heaviest[first], m_heaviest[second]);
    m_heaviest[first]->rank = first;
    m_heaviest[second]->rank = second;
}
