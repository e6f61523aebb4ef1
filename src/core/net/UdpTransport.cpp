#include "UdpTransport.h"

#include <QElapsedTimer>

UdpTransport::UdpTransport(Endpoints endpoints, QObject* parent)
    : QObject(parent)
    , m_endpoints(std::move(endpoints))
    , m_receiver(m_queue, [this] {
        QMetaObject::invokeMethod(this, &UdpTransport::handleSlice, Qt::QueuedConnection);
    })
{
    // The next slice waits behind due timers, not only behind posted events: a chain of posted
    // events gets a timer in only every other turn.
    m_nextSlice.setSingleShot(true);
    m_nextSlice.setInterval(0);
    connect(&m_nextSlice, &QTimer::timeout, this, &UdpTransport::handleSlice);
}

bool UdpTransport::bind()
{
    // Qt's UDP sockets may broadcast from the start. The sending socket takes any port.
    m_sender.bind(m_source.isNull() ? QHostAddress(QHostAddress::AnyIPv4) : m_source, 0);
    m_listening = m_receiver.bind(m_endpoints.port);
    return m_listening;
}

bool UdpTransport::broadcast(const QByteArray& datagram)
{
    const bool sent = send(datagram, m_endpoints.broadcastAddress);
    for (const QHostAddress& extra : std::as_const(m_extra))
        send(datagram, extra);
    return sent;
}

bool UdpTransport::setSourceAddress(const QHostAddress& address)
{
    if (address == m_source && m_sender.state() == QAbstractSocket::BoundState)
        return true;
    m_source = address;
    m_sender.close();
    if (m_sender.bind(m_source.isNull() ? QHostAddress(QHostAddress::AnyIPv4) : m_source, 0))
        return true;
    // An address that has just gone: sending from any address beats not sending at all, and
    // the address is bound again when it is asked for again.
    m_source.clear();
    m_sender.bind(QHostAddress::AnyIPv4, 0);
    return false;
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
    return m_sender.writeDatagram(datagram, to, m_endpoints.port) == datagram.size();
}

void UdpTransport::handleSlice()
{
    QElapsedTimer spent;
    spent.start();
    for (;;) {
        if (m_taken.empty())
            m_queue.take(m_taken, TakenAtOnce);
        if (m_taken.empty())
            return;
        const ReceivedDatagram datagram = std::move(m_taken.front());
        m_taken.pop_front();
        emit datagramReceived(datagram.data, datagram.sender);
        if (spent.elapsed() >= SliceBudget.count() && (!m_taken.empty() || !m_queue.isEmpty())) {
            // The rest waits for the next turn of the event loop; input and painting go first.
            m_nextSlice.start();
            return;
        }
    }
}
