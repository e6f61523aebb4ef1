#include "FileReceiver.h"

#include "TransferNetwork.h"
#include "protocol/TranscriptSink.h"

#include <QFileInfo>

namespace {
const QString ClosingLine =
    QStringLiteral("přenos souboru je kompletní nebo byl zastaven uživatelem");
} // namespace

FileReceiver::FileReceiver(TranscriptSink& transcript, TransferNetwork& network,
                           QHostAddress sender, QString shownName, qint64 announcedSize,
                           QString destination, QObject* parent)
    : Transfer(Direction::Receiving, transcript, std::move(shownName),
               QFileInfo(destination).fileName(), announcedSize, parent)
    , m_network(network)
    , m_sender(std::move(sender))
    , m_file(destination)
{
}

FileReceiver::~FileReceiver()
{
    // Going down with the program: the connection's last signals find nobody to tell.
    if (m_connection)
        m_connection->disconnect(this);
}

quint16 FileReceiver::start()
{
    // The user has agreed to replace what is there.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        fail(QStringLiteral("soubor nelze zapsat"));
        return 0;
    }
    m_server = m_network.listen();
    if (!m_server->isListening()) {
        fail(QStringLiteral("nelze čekat na spojení"));
        return 0;
    }
    connect(m_server.get(), &QTcpServer::newConnection, this, &FileReceiver::onNewConnection);
    return m_server->serverPort();
}

// Only the station the acceptance went to may write into the file; others are closed
// at once, and the port stays open for the right one.
void FileReceiver::onNewConnection()
{
    while (QTcpSocket* connection = m_server->nextPendingConnection()) {
        if (!connection->peerAddress().isEqual(m_sender, QHostAddress::TolerantConversion)) {
            connection->abort();
            connection->deleteLater();
            continue;
        }
        m_connection = connection;
        m_server->close(); // one connection per file: nobody else gets in now
        m_connection->setReadBufferSize(ReadBufferSize);
        connect(m_connection, &QTcpSocket::readyRead, this, &FileReceiver::onReadyRead);
        connect(m_connection, &QTcpSocket::disconnected, this, &FileReceiver::onEnded);
        connect(m_connection, &QTcpSocket::errorOccurred, this, &FileReceiver::onEnded);
        markConnected();
        transcript().AddLine(QStringLiteral("spojeno, prijímám soubor ..."), 1,
                             QStringLiteral(" "));
        onReadyRead();
    }
}

void FileReceiver::onReadyRead()
{
    m_buffer.resize(ReadBufferSize);
    while (!isFinished() && m_connection->bytesAvailable() > 0) {
        const qint64 got = m_connection->read(m_buffer.data(), m_buffer.size());
        if (got <= 0)
            return;
        if (m_file.write(m_buffer.constData(), got) != got) {
            fail(QStringLiteral("soubor nelze zapsat"));
            return;
        }
        advance(got);
    }
}

// However the connection ends, the bytes that arrived say whether the file is whole.
void FileReceiver::onEnded()
{
    onReadyRead();
    if (done() < totalSize())
        fail(QStringLiteral("přijato %1 z %2 bajtů").arg(done()).arg(totalSize()));
    else
        complete(ClosingLine);
}

void FileReceiver::cancel()
{
    complete(ClosingLine);
}

void FileReceiver::release()
{
    if (m_connection) {
        m_connection->disconnect(this);
        m_connection->abort();
    }
    if (m_server)
        m_server->close();
    m_file.close();
}
