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

std::optional<ReceivedDatagram> DatagramQueue::pop()
{
    QMutexLocker lock(&m_mutex);
    if (m_items.empty())
        return std::nullopt;
    ReceivedDatagram front = std::move(m_items.front());
    m_items.pop_front();
    m_bytes -= costOf(front);
    return front;
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
