#include "DatagramReceiver.h"

#include "DatagramQueue.h"

#include <QUdpSocket>
#include <QVariant>

namespace {
// Room for a burst in the kernel while the thread is not scheduled; the system may give less.
constexpr int ReceiveBufferBytes = 4 * 1024 * 1024;
} // namespace

DatagramReceiver::DatagramReceiver(DatagramQueue& queue)
    : m_queue(queue)
    , m_socket(new QUdpSocket(this))
{
    connect(m_socket, &QUdpSocket::readyRead, this, &DatagramReceiver::onReadyRead);
}

bool DatagramReceiver::bind(quint16 port)
{
    if (!m_socket->bind(QHostAddress::AnyIPv4, port, QAbstractSocket::DontShareAddress))
        return false;
    m_socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption,
                              QVariant(ReceiveBufferBytes));
    return true;
}

void DatagramReceiver::onReadyRead()
{
    bool wake = false;
    while (m_socket->hasPendingDatagrams()) {
        ReceivedDatagram datagram;
        datagram.data.resize(qMax<qint64>(0, m_socket->pendingDatagramSize()));
        const qint64 got =
            m_socket->readDatagram(datagram.data.data(), datagram.data.size(), &datagram.sender);
        if (got < 0)
            break;
        datagram.data.truncate(got);
        wake = m_queue.push(std::move(datagram)) || wake;
    }
    if (wake)
        emit datagramsWaiting();
}
