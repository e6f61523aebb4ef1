#pragma once

#include "Transfer.h"

#include <QFile>
#include <QHostAddress>

#include <memory>

class QTcpSocket;
class TransferNetwork;

// The offering side of one transfer: connects to the address and port the receiver
// accepted on and streams the file in blocks, a bounded window of them queued ahead.
// The sender's close ends the file for the receiver.
class FileSender final : public Transfer {
    Q_OBJECT

public:
    static constexpr qint64 BlockSize = 8192;
    // Blocks queued on the socket and not yet handed to the system.
    static constexpr qint64 MaxQueued = qint64{256} * 1024;

    FileSender(TranscriptSink& transcript, TransferNetwork& network, QString path,
               const QHostAddress& host, quint16 port, QObject* parent = nullptr);
    ~FileSender() override;

    // Opens the file and connects; a file that cannot be read ends it at once.
    void start();
    // Stops at the next block; what is already queued still goes out before the close.
    void cancel() override;

private:
    void onConnected();
    void onEnded();
    void queueBlocks();
    void close();
    QString cancelledLine() const;
    void release() override;

    TransferNetwork& m_network;
    QString m_path;
    QHostAddress m_host;
    quint16 m_port = 0;
    QFile m_file;
    std::unique_ptr<QTcpSocket> m_socket;
    qint64 m_queued = 0;
    bool m_lastQueued = false;
    bool m_closing = false;
    bool m_cancelled = false; // by this side's user
};
