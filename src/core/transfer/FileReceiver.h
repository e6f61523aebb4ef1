#pragma once

#include "DiskReserve.h"
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
    static constexpr qint64 ReadBufferSize = qint64{256} * 1024;
    // Written beyond the announced size, one part in OverrunDivisor of it and OverrunAllowance
    // more: a file that grows while it is sent (a log, a download) still arrives whole, a
    // peer that never stops does not fill the disk.
    static constexpr qint64 OverrunDivisor = 10;
    static constexpr qint64 OverrunAllowance = 1 << 20;

    FileReceiver(TranscriptSink& transcript, TransferNetwork& network, const QHostAddress& sender,
                 QString shownName, qint64 announcedSize, const QString& destination,
                 QObject* parent = nullptr);
    ~FileReceiver() override;

    // Opens the destination and listens: the port to announce, or 0 when either failed
    // (the transfer has then ended with its line).
    quint16 start();
    // Closes the connection and keeps what has arrived.
    void cancel() override;
    // Where the destination's free space is looked up; the system's by default.
    void setVolumeLookup(VolumeLookup lookUp) { m_diskReserve.setLookup(std::move(lookUp)); }

private:
    void onNewConnection();
    void onReadyRead();
    // Writes what may be written of the `got` bytes in the buffer; false when that ended it.
    bool store(qint64 got);
    void onEnded();
    void release() override;

    TransferNetwork& m_network;
    QHostAddress m_sender;
    QFile m_file;
    qint64 m_sizeLimit = 0;
    DiskReserve m_diskReserve;
    QByteArray m_buffer; // one allocation for every arrival
    std::unique_ptr<QTcpServer> m_server;
    QTcpSocket* m_connection = nullptr; // a child of m_server
};
