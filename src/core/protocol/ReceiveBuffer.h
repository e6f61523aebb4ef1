#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>
#include <vector>

// Received bytes that have not been handled yet. Packets are taken out one by one, each
// removed before the caller sees it, so a handler that waits can never be handed the same
// packet again by a later arrival.
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

// One receive buffer per sending address, so that bytes from one host can never complete,
// shift or spoil a packet of another, and every packet is known by the address it came from.
// Bounded: past MaxSources the buffer heard from least recently is forgotten.
class ReceiveBuffers final {
public:
    static constexpr int MaxSources = 256;

    // The buffer for this source, made if need be; valid until the next call.
    ReceiveBuffer& of(const QString& source);

    int sources() const { return static_cast<int>(m_buffers.size()); }
    qsizetype pendingBytes() const;

private:
    struct Slot {
        QString source;
        ReceiveBuffer buffer;
        quint64 lastUse = 0;
    };
    std::vector<Slot> m_buffers;
    quint64 m_uses = 0;
};
