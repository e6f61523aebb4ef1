#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QMutex>

#include <deque>
#include <span>

// A datagram as it came off the chat port, with the address it came from.
struct ReceivedDatagram {
    QByteArray data;
    QHostAddress sender;
};

// Datagrams waiting between the thread that drains the socket and the GUI thread that handles
// them, first in first out. Bounded by bytes: when a new datagram does not fit, the oldest
// waiting ones make room, so a flood costs a fixed amount of memory and the newest traffic wins.
class DatagramQueue final {
    Q_DISABLE_COPY_MOVE(DatagramQueue)

public:
    // What one queued datagram costs beside its bytes.
    static constexpr qsizetype OverheadBytes = 64;
    static constexpr qsizetype DefaultCapacityBytes = 16 * 1024 * 1024;

    explicit DatagramQueue(qsizetype capacityBytes = DefaultCapacityBytes);

    // Moves the datagrams in, in their order, under one lock. True when the queue was empty
    // before: the consumer needs waking.
    bool push(std::span<ReceivedDatagram> datagrams);
    // Moves up to max of the oldest datagrams out, in their order, under one lock.
    void take(std::deque<ReceivedDatagram>& into, qsizetype max);

    bool isEmpty() const;
    qsizetype sizeBytes() const;
    // Datagrams thrown away to make room, since the start.
    quint64 dropped() const;

private:
    static qsizetype costOf(const ReceivedDatagram& datagram)
    {
        return datagram.data.size() + OverheadBytes;
    }

    const qsizetype m_capacity;
    mutable QMutex m_mutex;
    std::deque<ReceivedDatagram> m_items;
    qsizetype m_bytes = 0;
    quint64 m_dropped = 0;
};
