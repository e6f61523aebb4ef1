#pragma once

#include "Transfer.h"

#include <QFile>
#include <QHostAddress>

#include <memory>

class QTcpServer;
class QTcpSocket;
class TransferNetwork;

// The accepting side of one transfer: listens on a port of its own, takes one connection
// from the address the acceptance went to, and writes what arrives to the destination.
class FileReceiver final : public Transfer {
    Q_OBJECT

public:
    // The most the connection holds in memory before the file has taken it.
    static constexpr qint64 ReadBufferSize = 256 * 1024;

    FileReceiver(TranscriptSink& transcript, TransferNetwork& network, QHostAddress sender,
                 QString shownName, qint64 announcedSize, QString destination,
                 QObject* parent = nullptr);
    ~FileReceiver() override;

    // Opens the destination and listens: the port to announce, or 0 when either failed
    // (the transfer has then ended with its line).
    quint16 start();
    // Closes the connection and keeps what has arrived.
    void cancel() override;

private:
    void onNewConnection();
    void onReadyRead();
    void onEnded();
    void release() override;

    TransferNetwork& m_network;
    QHostAddress m_sender;
    QFile m_file;
    QByteArray m_buffer; // one allocation for every arrival
    std::unique_ptr<QTcpServer> m_server;
    QTcpSocket* m_connection = nullptr; // a child of m_server
};
