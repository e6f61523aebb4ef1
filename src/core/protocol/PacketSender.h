#pragma once

#include <QByteArray>
#include <QStringList>

// Sends command data to every station, or to the listed addresses one datagram each.
class PacketSender {
public:
    virtual ~PacketSender() = default;
    // False when nothing or not everything went out: data too long for a packet, no
    // socket, or an address that could not be sent to (the ones after it are not tried).
    virtual bool sendPacket(const QByteArray& packet, const QStringList& addresses = {}) = 0;
};
