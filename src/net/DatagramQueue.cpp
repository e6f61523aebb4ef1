#include "DatagramQueue.h"

#include <QMutexLocker>

DatagramQueue::DatagramQueue(qsizetype capacityBytes)
    : m_capacity(capacityBytes)
{
}

bool DatagramQueue::push(std::span<ReceivedDatagram> datagrams)
{
    QMutexLocker lock(&m_mutex);
    const bool wasEmpty = m_items.empty();
    for (ReceivedDatagram& datagram : datagrams) {
        const qsizetype cost = costOf(datagram);
        if (cost > m_capacity) {
            ++m_dropped;
            continue;
        }
        while (m_bytes + cost > m_capacity) {
            m_bytes -= costOf(m_items.front());
            m_items.pop_front();
            ++m_dropped;
        }
        m_bytes += cost;
        m_items.push_back(std::move(datagram));
    }
    return wasEmpty && !m_items.empty();
}

void DatagramQueue::take(std::deque<ReceivedDatagram>& into, qsizetype max)
{
    QMutexLocker lock(&m_mutex);
    for (; max > 0 && !m_items.empty(); --max) {
        m_bytes -= costOf(m_items.front());
        into.push_back(std::move(m_items.front()));
        m_items.pop_front();
    }
}

bool DatagramQueue::isEmpty() const
{
    QMutexLocker lock(&m_mutex);
    return m_items.empty();
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
