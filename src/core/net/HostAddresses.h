#pragma once

class QString;

// What the protocol needs to know of this host's networks.
class HostAddresses {
public:
    virtual ~HostAddresses() = default;
    // One of this host's own addresses, loopback included: a datagram from there comes from
    // this station.
    virtual bool isOwn(const QString& address) const = 0;
    // The broadcast address of one of this host's networks.
    virtual bool isLocalBroadcast(const QString& address) const = 0;
};
