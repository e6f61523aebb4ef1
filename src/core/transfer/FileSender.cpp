#include "FileSender.h"

#include "TransferNetwork.h"
#include "TransferText.h"
#include "core/protocol/TranscriptSink.h"

#include <QFileInfo>

FileSender::FileSender(TranscriptSink& transcript, TransferNetwork& network, QString path,
                       const QHostAddress& host, quint16 port, QObject* parent)
    : Transfer(Direction::Sending, transcript, path, TransferText::fileNameFromPath(path),
               QFileInfo(path).size(), parent)
    , m_network(network)
    , m_path(std::move(path))
    , m_host(host)
    , m_port(port)
    , m_file(m_path)
{
}

FileSender::~FileSender()
{
    // Going down with the program: the socket's last signals find nobody to tell.
    if (m_socket)
        m_socket->disconnect(this);
}

void FileSender::start()
{
    // Kept open to the end: a file that is moved or deleted meanwhile still goes out whole.
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        fail(QStringLiteral("soubor nelze přečíst"));
        return;
    }
    m_socket = m_network.connectTo(m_host, m_port);
    connect(m_socket.get(), &QTcpSocket::connected, this, &FileSender::onConnected);
    connect(m_socket.get(), &QTcpSocket::bytesWritten, this, [this](qint64 bytes) {
        advance(bytes);
        queueBlocks();
    });
    connect(m_socket.get(), &QTcpSocket::disconnected, this, &FileSender::onEnded);
    connect(m_socket.get(), &QTcpSocket::errorOccurred, this, &FileSender::onEnded);
}

void FileSender::onConnected()
{
    markConnected();
    transcript().appendBareLine(QStringLiteral("spojeno, posílám soubor ...") + m_path,
                                LineLook::Status);
    queueBlocks();
}

// The end of the connection is the end of the transfer only when this side closed it. What
// went out then says how it ended: the receiver judges the file by the same count.
void FileSender::onEnded()
{
    if (m_closing) {
        if (done() >= totalSize())
            complete(QStringLiteral("soubor %1 byl odeslán").arg(fileName()));
        else if (m_cancelled)
            complete(cancelledLine());
        else // the file shrank while it was sent: the receiver has only a part of it
            fail(QStringLiteral("odesláno ") + TransferText::amountOf(done(), totalSize()));
    } else if (isRunning())
        fail(QStringLiteral("spojení bylo přerušeno"));
    else
        fail(QStringLiteral("spojení se nepodařilo navázat"));
}

void FileSender::queueBlocks()
{
    if (isFinished() || m_closing)
        return;
    while (!m_lastQueued && m_socket->bytesToWrite() < MaxQueued) {
        // The length is read again for every block: a file that changes meanwhile sends
        // what it has at that moment, and its last block is cut there.
        const qint64 remaining = m_file.size() - m_queued;
        const qint64 wanted = qBound<qint64>(0, remaining, BlockSize);
        QByteArray block(wanted, Qt::Uninitialized);
        const qint64 got = wanted > 0 ? m_file.read(block.data(), wanted) : 0;
        if (got < 0) {
            fail(QStringLiteral("soubor nelze přečíst"));
            return;
        }
        m_lastQueued = remaining <= BlockSize || got < wanted;
        m_queued += got;
        if (got > 0) {
            block.truncate(got);
            m_socket->write(block);
        }
    }
    if (m_lastQueued && m_socket->bytesToWrite() == 0)
        close();
}

void FileSender::cancel()
{
    m_cancelled = true;
    if (isRunning())
        close();
    else
        complete(cancelledLine());
}

QString FileSender::cancelledLine() const
{
    return QStringLiteral("odesílání souboru %1 bylo zrušeno, odesláno %2")
        .arg(fileName(), TransferText::amountOf(done(), totalSize()));
}

void FileSender::close()
{
    m_closing = true;
    m_socket->disconnectFromHost();
    if (m_socket->state() == QAbstractSocket::UnconnectedState)
        onEnded();
}

void FileSender::release()
{
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
    }
    m_file.close();
}
