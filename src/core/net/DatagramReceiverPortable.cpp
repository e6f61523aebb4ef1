#include "DatagramQueue.h"
#include "DatagramReceiver.h"

#include <QThread>
#include <QUdpSocket>
#include <QVariant>

#include <vector>

namespace {
// Room for a burst in the kernel while the thread is not scheduled; the system may give less.
constexpr int ReceiveBufferBytes = 4 * 1024 * 1024;

// Where recvmmsg is missing: a Qt socket on a thread of its own, one datagram per read.
class SocketDrain final : public DatagramReceiver::Drain {
    Q_DISABLE_COPY_MOVE(SocketDrain)

public:
    SocketDrain(DatagramQueue& queue, const DatagramReceiver::Wake& wake)
        : m_queue(queue)
        , m_wake(wake)
        , m_context(new QObject)
    {
        m_thread.setObjectName(QStringLiteral("ChatReceive"));
        m_context->moveToThread(&m_thread);
        QObject::connect(&m_thread, &QThread::finished, m_context, &QObject::deleteLater);
        m_thread.start();
    }

    ~SocketDrain() override
    {
        m_thread.quit();
        m_thread.wait();
    }

    // The socket is made on the receive thread, so its notifications arrive there.
    bool bind(quint16 port)
    {
        bool bound = false;
        QMetaObject::invokeMethod(
            m_context,
            [this, port, &bound] {
                auto* socket = new QUdpSocket(m_context);
                bound =
                    socket->bind(QHostAddress::AnyIPv4, port, QAbstractSocket::DontShareAddress);
                if (!bound) {
                    delete socket;
                    return;
                }
                socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption,
                                        QVariant(ReceiveBufferBytes));
                QObject::connect(socket, &QUdpSocket::readyRead, m_context,
                                 [this, socket] { drain(*socket); });
            },
            Qt::BlockingQueuedConnection);
        return bound;
    }

private:
    void drain(QUdpSocket& socket)
    {
        std::vector<ReceivedDatagram> batch;
        while (socket.hasPendingDatagrams()) {
            ReceivedDatagram datagram;
            datagram.data.resize(qMax<qint64>(0, socket.pendingDatagramSize()));
            const qint64 got =
                socket.readDatagram(datagram.data.data(), datagram.data.size(), &datagram.sender);
            if (got < 0)
                break;
            datagram.data.truncate(got);
            batch.push_back(std::move(datagram));
        }
        if (!batch.empty() && m_queue.push(batch))
            m_wake();
    }

    DatagramQueue& m_queue;
    const DatagramReceiver::Wake& m_wake;
    QThread m_thread;
    QObject* m_context; // lives on m_thread and goes with it
};

} // namespace

std::unique_ptr<DatagramReceiver::Drain>
DatagramReceiver::startDrain(DatagramQueue& queue, const Wake& wake, quint16 port)
{
    auto drain = std::make_unique<SocketDrain>(queue, wake);
    if (!drain->bind(port))
        return nullptr;
    return drain;
}
