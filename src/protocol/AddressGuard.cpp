#include "AddressGuard.h"

#include "Identity.h"

#include <QHostAddress>

AddressGuard::AddressGuard(const Identity& self, const HostAddresses& hosts)
    : m_self(self)
    , m_hosts(hosts)
{
}

bool AddressGuard::namesSelf(const QString& address) const
{
    return address == m_self.MyIP || m_hosts.isOwn(address);
}

bool AddressGuard::mayName(const QString& source, const QString& address) const
{
    return !namesSelf(address) || m_hosts.isOwn(source);
}

bool AddressGuard::speaksFor(const QString& source, const QString& address) const
{
    return source == address || (namesSelf(address) && m_hosts.isOwn(source));
}

bool AddressGuard::canAnswer(const QString& address) const
{
    QHostAddress to;
    if (!to.setAddress(address) || to.protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    const quint32 ip = to.toIPv4Address();
    return ip != 0 && ip != 0xFFFFFFFFu && !to.isMulticast() &&
           !m_hosts.isLocalBroadcast(to.toString());
}
