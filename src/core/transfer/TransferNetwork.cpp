#include "TransferNetwork.h"

std::unique_ptr<QTcpSocket> TcpTransferNetwork::connectTo(const QHostAddress& host, quint16 port)
{
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(host, port);
    return socket;
}

std::unique_ptr<QTcpServer> TcpTransferNetwork::listen()
{
    auto server = std::make_unique<QTcpServer>();
    server->listen(QHostAddress::AnyIPv4, 0);
    return server;
}
