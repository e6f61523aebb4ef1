#pragma once

#include "core/protocol/Framing.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QUdpSocket>

// PINGs a station one at a time from a socket bound on the chat port, where its answers come
// back, and times each answer.
class PingWatch final {
    Q_DISABLE_COPY_MOVE(PingWatch)

public:
    PingWatch(QUdpSocket& socket, QHostAddress station, quint16 port)
        : m_socket(socket)
        , m_station(std::move(station))
        , m_port(port)
    {
        QObject::connect(&m_socket, &QUdpSocket::readyRead, [this] { takeAnswers(); });
        // What came before (the station's own announcements) is read now: an unread datagram
        // would keep readyRead from being raised again.
        takeAnswers();
    }

    // Sends the next PING once the last one has been answered.
    void ping()
    {
        if (m_waiting.isValid())
            return;
        const QByteArray data = Framing::commandData("PING", {QStringLiteral("10.99.0.2"), "ping"});
        m_socket.writeDatagram(*Framing::framePacket(data), m_station, m_port);
        m_waiting.start();
        ++m_sent;
    }
    int sent() const { return m_sent; }
    int answered() const { return m_answered; }
    // The longest an answer took, counting one still awaited.
    qint64 longestMs() const
    {
        return qMax(m_longestMs, m_waiting.isValid() ? m_waiting.elapsed() : 0);
    }

private:
    void takeAnswers()
    {
        while (m_socket.hasPendingDatagrams()) {
            const QNetworkDatagram datagram = m_socket.receiveDatagram();
            if (!datagram.data().contains("PTOING\t") || !m_waiting.isValid())
                continue;
            m_longestMs = qMax(m_longestMs, m_waiting.elapsed());
            m_waiting.invalidate();
            ++m_answered;
        }
    }

    QUdpSocket& m_socket;
    QHostAddress m_station;
    quint16 m_port;
    QElapsedTimer m_waiting;
    qint64 m_longestMs = 0;
    int m_sent = 0;
    int m_answered = 0;
};
