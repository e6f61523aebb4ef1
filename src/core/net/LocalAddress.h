#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>

// The station's own IPv4 address as its peers see it.
namespace LocalAddress {
QString outgoing(const QHostAddress& broadcastAddress, quint16 port);

// An interface that is up, with its first IPv4 address; the broadcast address is null on links
// that have none, such as most VPN tunnels.
struct Interface {
    QString name;
    QString address;
    QString broadcast;

    bool operator==(const Interface&) const = default;
};
// The host's interfaces that are up and running and carry IPv4, loopback left out, in the
// system's order.
QList<Interface> interfaces();
} // namespace LocalAddress
