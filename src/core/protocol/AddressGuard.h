#pragma once

#include "core/net/HostAddresses.h"

#include <QString>

class Roster;
struct Identity;

// Who may speak for an address, and where an answer may go. Packets name addresses in their
// fields, but only the datagram's source says where they came from.
class AddressGuard final {
public:
    AddressGuard(const Identity& self, const HostAddresses& hosts, Roster& roster);

    // Whether a packet from source may speak for the station at address. This station's own
    // address only from this host; a listed station only from the source that made its entry,
    // or from the address itself, which then takes the entry over. Nobody else can rename,
    // remove or speak as a listed station, even from an honest address of their own.
    bool admit(const QString& source, const QString& address);
    // Whether source may add the station at address to the roster: its own always while there
    // is room, a few others at most.
    bool mayAdd(const QString& source, const QString& address) const;
    // One station: a dotted IPv4 unicast address, never a broadcast, a group or "any".
    bool canAnswer(const QString& address) const;

private:
    bool namesSelf(const QString& address) const;

    const Identity& m_self;
    const HostAddresses& m_hosts;
    Roster& m_roster;
};
