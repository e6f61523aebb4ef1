#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// Received bytes that have not been handled yet (the station's CommBuffer). Packets are
// taken out one by one, each removed before the caller sees it, so a handler that waits
// can never be handed the same packet again by a later arrival.
class ReceiveBuffer final {
public:
    struct Packet {
        QByteArray word;
        QByteArray argument;
    };

    void append(QByteArrayView datagram);
    std::optional<Packet> takeNext();

    // Bytes still waiting for the rest of their packet.
    qsizetype pendingBytes() const { return m_bytes.size() - m_read; }
    // Pieces thrown away because no packet could be cut from them.
    int droppedPieces() const { return m_dropped; }

private:
    void compact();
    void capPending();

    QByteArray m_bytes;
    qsizetype m_read = 0; // everything before this has been handled
    int m_dropped = 0;
};
