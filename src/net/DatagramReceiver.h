#pragma once

#include <QObject>

class DatagramQueue;
class QUdpSocket;

// Owns the listening socket on the receive thread and moves every datagram that arrives into
// the queue at once, so the kernel's buffer never fills while the GUI thread is busy.
class DatagramReceiver final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DatagramReceiver)

public:
    explicit DatagramReceiver(DatagramQueue& queue);

    // Runs on the receive thread. Not shared: a second program on the port must make this
    // fail, not split the traffic.
    bool bind(quint16 port);

signals:
    // The queue has just gone from empty to holding something.
    void datagramsWaiting();

private:
    void onReadyRead();

    DatagramQueue& m_queue;
    QUdpSocket* m_socket; // a child, so it moves to the receive thread with this object
};
