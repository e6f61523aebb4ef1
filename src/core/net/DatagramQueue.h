#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QMutex>

#include <deque>
#include <list>
#include <span>
#include <vector>

// A datagram as it came off the chat port, with the address it came from.
struct ReceivedDatagram {
    QByteArray data;
    QHostAddress sender;
};

// Datagrams waiting between the thread that drains the socket and the GUI thread that handles
// them. Bounded by bytes and fair between senders: the GUI thread takes one datagram of each
// waiting sender in turn, and when a new datagram does not fit, the sender holding the most bytes
// loses its oldest. A flood costs a fixed amount of memory and crowds out nobody but its sender.
class DatagramQueue final {
    Q_DISABLE_COPY_MOVE(DatagramQueue)

public:
    // What one queued datagram costs beside its bytes.
    static constexpr qsizetype OverheadBytes = 64;
    static constexpr qsizetype DefaultCapacityBytes = qsizetype{16} * 1024 * 1024;

    explicit DatagramQueue(qsizetype capacityBytes = DefaultCapacityBytes);

    // Moves the datagrams in, in their order, under one lock. True when the queue was empty
    // before: the consumer needs waking.
    bool push(std::span<ReceivedDatagram> datagrams);
    // Moves up to max datagrams out under one lock, one of each waiting sender in turn, each
    // sender's in the order they came.
    void take(std::deque<ReceivedDatagram>& into, qsizetype max);

    bool isEmpty() const;
    qsizetype sizeBytes() const;
    // Datagrams thrown away to make room, since the start.
    quint64 dropped() const;

private:
    // One sender with something waiting. One with nothing waiting is forgotten, so there are never
    // more senders on record than datagrams waiting, whatever addresses are forged.
    struct Source {
        QHostAddress address;
        std::list<ReceivedDatagram> waiting; // oldest first
        qsizetype bytes = 0;
        std::size_t rank = 0; // where it stands in m_heaviest
    };
    using Turns = std::list<Source>;

    static qsizetype costOf(const ReceivedDatagram& datagram)
    {
        return datagram.data.size() + OverheadBytes;
    }

    void add(ReceivedDatagram&& datagram);
    ReceivedDatagram removeOldest(Source& source);
    void forget(Source& source);
    void reweigh(Source& source, qsizetype change);
    void settle(std::size_t rank);
    void swapRanks(std::size_t first, std::size_t second);

    const qsizetype m_capacity;
    mutable QMutex m_mutex;
    // The waiting senders in the order of their turns: the front one gives the next datagram.
    Turns m_turns;
    QHash<QHostAddress, Turns::iterator> m_sourceOf;
    // The same senders as a heap, heaviest first: each change costs O(log n), not a scan.
    std::vector<Source*> m_heaviest;
    qsizetype m_bytes = 0;
    quint64 m_dropped = 0;
};
