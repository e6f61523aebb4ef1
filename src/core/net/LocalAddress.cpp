#include "LocalAddress.h"

#include <QNetworkInterface>
#include <QNetworkProxy>
#include <QUdpSocket>

namespace LocalAddress {
namespace {

// The first up, running, non-loopback interface that can broadcast and has an IPv4 address.
QString firstBroadcastInterface()
{
    for (const QNetworkInterface& nic : QNetworkInterface::allInterfaces()) {
        const auto flags = nic.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) ||
            !flags.testFlag(QNetworkInterface::IsRunning) ||
            !flags.testFlag(QNetworkInterface::CanBroadcast) ||
            flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry& entry : nic.addressEntries()) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
                return entry.ip().toString();
        }
    }
    return {};
}

} // namespace

QList<Interface> interfaces()
{
    QList<Interface> found;
    for (const QNetworkInterface& nic : QNetworkInterface::allInterfaces()) {
        const auto flags = nic.flags();
        // A bridge without members or a cable pulled out is up but carries nothing.
        if (!flags.testFlag(QNetworkInterface::IsUp) ||
            !flags.testFlag(QNetworkInterface::IsRunning) ||
            flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry& entry : nic.addressEntries()) {
            if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            const bool broadcasts =
                flags.testFlag(QNetworkInterface::CanBroadcast) && !entry.broadcast().isNull();
            found.append({nic.name(), entry.ip().toString(),
                          broadcasts ? entry.broadcast().toString() : QString()});
            break;
        }
    }
    return found;
}

// Asks the system which source address a datagram to the broadcast address would leave
// with: connecting a UDP socket sends nothing but runs the route look-up. That is the
// address peers see in our packets. Without such a route, the first interface that can
// broadcast; without one of those, loopback.
QString outgoing(const QHostAddress& broadcastAddress, quint16 port)
{
    QUdpSocket probe;
    // A route look-up has nothing to do with proxies; asking the system's proxy settings
    // would wake a thread that reads files at every change of address.
    probe.setProxy(QNetworkProxy::NoProxy);
    probe.connectToHost(broadcastAddress, port);
    if (probe.state() == QAbstractSocket::ConnectedState) {
        const QHostAddress local = probe.localAddress();
        if (local.protocol() == QAbstractSocket::IPv4Protocol && !local.isLoopback() &&
            local != QHostAddress::AnyIPv4)
            return local.toString();
    }
    const QString fallback = firstBroadcastInterface();
    return fallback.isEmpty() ? QStringLiteral("127.0.0.1") : fallback;
}

} // namespace LocalAddress
