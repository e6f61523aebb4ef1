#include "UdpTransport.h"

#include "LocalAddress.h"

#include <QNetworkDatagram>

UdpTransport::UdpTransport(Endpoints endpoints, QObject* parent)
    : QObject(parent)
    , m_endpoints(std::move(endpoints))
{
    connect(&m_listen, &QUdpSocket::readyRead, this, &UdpTransport::onReadyRead);
}

bool UdpTransport::bind()
{
    m_localAddress = LocalAddress::outgoing(m_endpoints.broadcastAddress, m_endpoints.port);
    // Qt's UDP sockets may broadcast from the start. The sending socket takes any port.
    m_broadcast.bind(QHostAddress::AnyIPv4, 0);
    // Not shared: a second program on the port must make this fail, not split the traffic.
    return m_listen.bind(QHostAddress::AnyIPv4, m_endpoints.port,
                         QAbstractSocket::DontShareAddress);
}

bool UdpTransport::isListening() const
{
    return m_listen.state() == QAbstractSocket::BoundState;
}

bool UdpTransport::broadcast(const QByteArray& datagram)
{
    return send(datagram, m_endpoints.broadcastAddress);
}

bool UdpTransport::sendTo(const QByteArray& datagram, const QString& address)
{
    QHostAddress to;
    if (!to.setAddress(address) || to.protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    return send(datagram, to);
}

bool UdpTransport::send(const QByteArray& datagram, const QHostAddress& to)
{
    // The system would take a null address for this host and report success.
    if (to.isNull())
        return false;
    return m_broadcast.writeDatagram(datagram, to, m_endpoints.port) == datagram.size();
}

void UdpTransport::onReadyRead()
{
    while (m_listen.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_listen.receiveDatagram();
        if (datagram.isValid())
            emit datagramReceived(datagram.data());
    }
}
