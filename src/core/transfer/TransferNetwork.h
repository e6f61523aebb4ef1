#pragma once

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>

// Where transfers get their TCP connections. The program uses the real network; tests and
// the fuzz target hand in one that records where a station would connect.
class TransferNetwork {
public:
    virtual ~TransferNetwork() = default;
    // A socket that is connecting to host:port.
    virtual std::unique_ptr<QTcpSocket> connectTo(const QHostAddress& host, quint16 port) = 0;
    // A server listening on a port the system chose, or one that is not listening.
    virtual std::unique_ptr<QTcpServer> listen() = 0;
};

class TcpTransferNetwork final : public TransferNetwork {
public:
    std::unique_ptr<QTcpSocket> connectTo(const QHostAddress& host, quint16 port) override;
    std::unique_ptr<QTcpServer> listen() override;
};
