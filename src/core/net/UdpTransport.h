#pragma once

#include "DatagramQueue.h"
#include "DatagramReceiver.h"

#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <QUdpSocket>

#include <chrono>
#include <deque>

// Where the chat lives: the port every station listens on and the address that reaches
// them all. Tests choose others; the program keeps these.
struct UdpEndpoints {
    quint16 port = 1705;
    QHostAddress broadcastAddress = QHostAddress(QStringLiteral("255.255.255.255"));
};

// The two UDP sockets of a station: one receives everything on the chat port, the other
// sends, to everybody or to one address.
//
// The listening socket is drained on a thread of its own into a bounded queue, so a burst
// is taken off the kernel's buffer as fast as it arrives. The GUI thread hands the queued
// datagrams on one sender at a time in turn, in slices of a few milliseconds each, so the window
// keeps painting and taking input between slices whatever the network sends, and a sender that
// floods crowds out nobody but itself.
class UdpTransport final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UdpTransport)

public:
    using Endpoints = UdpEndpoints;

    // How long one slice may hand on datagrams before the event loop gets its turn.
    static constexpr std::chrono::milliseconds SliceBudget{4};
    static constexpr qsizetype TakenAtOnce = 64;

    explicit UdpTransport(Endpoints endpoints = {}, QObject* parent = nullptr);

    // False when the chat port is taken: the station can still send but hears nothing.
    bool bind();
    bool isListening() const { return m_listening; }

    // To everybody on the own network, then once to each extra address in order. True when the
    // own network's copy went out: an unreachable extra address must not make the user send a
    // line again that the own network has already had.
    bool broadcast(const QByteArray& datagram);
    // Subnets or hosts beyond a router that broadcasts reach too.
    void setExtraAddresses(const QList<QHostAddress>& addresses) { m_extra = addresses; }
    const QList<QHostAddress>& extraAddresses() const { return m_extra; }
    // Sends from this address, so that the limited broadcast leaves through the interface that
    // holds it; a null address lets the system choose, as it does by default.
    bool setSourceAddress(const QHostAddress& address);
    // address must be a dotted IPv4 address; anything else is refused.
    bool sendTo(const QByteArray& datagram, const QString& address);

    const Endpoints& endpoints() const { return m_endpoints; }
    // Datagrams thrown away because the queue was full.
    quint64 droppedDatagrams() const { return m_queue.dropped(); }
    // What the receive thread has queued and the GUI thread not yet taken.
    qsizetype queuedBytes() const { return m_queue.sizeBytes(); }

signals:
    // On the GUI thread, one datagram at a time; each sender's in the order they arrived.
    void datagramReceived(const QByteArray& datagram, const QHostAddress& sender);

private:
    void handleSlice();
    bool send(const QByteArray& datagram, const QHostAddress& to);

    Endpoints m_endpoints;
    DatagramQueue m_queue;
    // Taken from the queue a batch at a time, so the receive thread seldom waits for the lock.
    std::deque<ReceivedDatagram> m_taken;
    DatagramReceiver m_receiver; // stops before the queue goes
    QUdpSocket m_sender;
    QHostAddress m_source;
    QList<QHostAddress> m_extra;
    bool m_listening = false;
    QTimer m_nextSlice;
};
