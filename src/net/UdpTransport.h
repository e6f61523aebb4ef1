#pragma once

#include <QHostAddress>
#include <QObject>
#include <QUdpSocket>

// Where the chat lives: the port every station listens on and the address that reaches
// them all. Tests choose others; the program keeps these.
struct UdpEndpoints {
    quint16 port = 1705;
    QHostAddress broadcastAddress = QHostAddress(QStringLiteral("255.255.255.255"));
};

// The two UDP sockets of a station: UDPListen receives everything on the chat port, and
// broadcast sends, to everybody or to one address.
class UdpTransport final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UdpTransport)

public:
    using Endpoints = UdpEndpoints;

    explicit UdpTransport(Endpoints endpoints = {}, QObject* parent = nullptr);

    // False when the chat port is taken: the station can still send but hears nothing.
    bool bind();
    bool isListening() const;

    bool broadcast(const QByteArray& datagram);
    // address must be a dotted IPv4 address; anything else is refused.
    bool sendTo(const QByteArray& datagram, const QString& address);

    // Computed once at bind: the address peers see us by.
    QString localAddress() const { return m_localAddress; }
    const Endpoints& endpoints() const { return m_endpoints; }

signals:
    void datagramReceived(const QByteArray& datagram);

private slots:
    void onReadyRead();

private:
    bool send(const QByteArray& datagram, const QHostAddress& to);

    Endpoints m_endpoints;
    QUdpSocket m_listen; // UDPListen
    QUdpSocket m_broadcast; // broadcast
    QString m_localAddress = QStringLiteral("127.0.0.1");
};
