#include "FileReceiver.h"

#include "TransferNetwork.h"
#include "TransferText.h"
#include "core/protocol/TranscriptSink.h"

#include <QFileInfo>

#include <algorithm>
#include <limits>

namespace {
const QString ClosingLine =
    QStringLiteral("přenos souboru je kompletní nebo byl zastaven uživatelem");

// The announced size comes from the peer: a huge one saturates rather than wraps.
qint64 sizeLimit(qint64 announced)
{
    const qint64 overrun =
        announced / FileReceiver::OverrunDivisor + FileReceiver::OverrunAllowance;
    return announced > std::numeric_limits<qint64>::max() - overrun
               ? std::numeric_limits<qint64>::max()
               : announced + overrun;
}
} // namespace

FileReceiver::FileReceiver(TranscriptSink& transcript, TransferNetwork& network,
                           const QHostAddress& sender, QString shownName, qint64 announcedSize,
                           const QString& destination, QObject* parent)
    : Transfer(Direction::Receiving, transcript, std::move(shownName),
               QFileInfo(destination).fileName(), announcedSize, parent)
    , m_network(network)
    , m_sender(sender)
    , m_file(destination)
    , m_sizeLimit(sizeLimit(announcedSize))
    , m_diskReserve(destination, lookUpVolume)
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
        transcript().appendBareLine(QStringLiteral("spojeno, prijímám soubor ..."),
                                    LineLook::Status);
        onReadyRead();
    }
}

void FileReceiver::onReadyRead()
{
    m_buffer.resize(ReadBufferSize);
    while (!isFinished() && m_connection->bytesAvailable() > 0) {
        const qint64 got = m_connection->read(m_buffer.data(), m_buffer.size());
        if (got <= 0 || !store(got))
            return;
    }
}

// What is over a limit is dropped; what came before it stays in the file.
bool FileReceiver::store(qint64 got)
{
    const qint64 wanted = std::min(got, m_sizeLimit - done());
    const qint64 writable = m_diskReserve.take(wanted);
    if (writable > 0) {
        if (m_file.write(m_buffer.constData(), writable) != writable) {
            fail(QStringLiteral("soubor nelze zapsat"));
            return false;
        }
        advance(writable);
    }
    if (writable < wanted)
        fail(QStringLiteral("na disku dochází místo"));
    else if (wanted < got)
        fail(QStringLiteral("protistrana posílá víc, než ohlásila"));
    return !isFinished();
}

// However the connection ends, the bytes that arrived say whether the file is whole.
void FileReceiver::onEnded()
{
    onReadyRead();
    if (done() < totalSize())
        fail(QStringLiteral("přijato ") + TransferText::amountOf(done(), totalSize()));
    else
        complete(ClosingLine);
}

// A file that is already whole is not called cancelled by a click that came late.
void FileReceiver::cancel()
{
    if (done() >= totalSize())
        complete(ClosingLine);
    else
        complete(QStringLiteral("příjem souboru %1 byl zrušen, přijato %2")
                     .arg(fileName(), TransferText::amountOf(done(), totalSize())));
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
