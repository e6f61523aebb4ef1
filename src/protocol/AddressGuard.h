#pragma once

#include <QString>

struct Identity;

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

// Who may speak for an address, and where an answer may go. Packets name addresses in their
// fields, but only the datagram's source says where they came from.
class AddressGuard final {
public:
    AddressGuard(const Identity& self, const HostAddresses& hosts);

    // A packet that names this station's own address counts only when it comes from this host:
    // nobody else may rename, remove or speak as the own entry.
    bool mayName(const QString& source, const QString& address) const;
    // Only the station at an address may say that it leaves.
    bool speaksFor(const QString& source, const QString& address) const;
    // One station: a dotted IPv4 unicast address, never a broadcast, a group or "any".
    bool canAnswer(const QString& address) const;

private:
    bool namesSelf(const QString& address) const;

    const Identity& m_self;
    const HostAddresses& m_hosts;
};
