#include "AddressGuard.h"

#include "Identity.h"
#include "Roster.h"

#include <QHostAddress>

AddressGuard::AddressGuard(const Identity& self, const HostAddresses& hosts, Roster& roster)
    : m_self(self)
    , m_hosts(hosts)
    , m_roster(roster)
{
}

bool AddressGuard::namesSelf(const QString& address) const
{
    return address == m_self.address || m_hosts.isOwn(address);
}

bool AddressGuard::admit(const QString& source, const QString& address)
{
    if (namesSelf(address))
        return m_hosts.isOwn(source);
    const int row = m_roster.rowOf(Roster::keyFor(address));
    if (row < 0)
        return true;
    if (source == address) {
        m_roster.bind(row, source);
        return true;
    }
    return m_roster.at(row).source == source;
}

bool AddressGuard::mayAdd(const QString& source, const QString& address) const
{
    return !m_roster.isFull() &&
           (source == address || m_roster.entriesMadeBy(source) < Roster::MaxEntriesPerSource);
}

bool AddressGuard::canAnswer(const QString& address) const
{
    QHostAddress to;
    if (!to.setAddress(address) || to.protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    const quint32 ip = to.toIPv4Address();
    return ip != 0 && ip != 0xFFFFFFFFU && !to.isMulticast() &&
           !m_hosts.isLocalBroadcast(to.toString());
}
