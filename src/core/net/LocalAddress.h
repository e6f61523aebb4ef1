#pragma once

#include <QHostAddress>
#include <QString>

// The station's own IPv4 address as its peers see it.
namespace LocalAddress {
QString outgoing(const QHostAddress& broadcastAddress, quint16 port);
}
