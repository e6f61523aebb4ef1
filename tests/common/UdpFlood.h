#pragma once

#include <QByteArray>
#include <QHostAddress>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

// One datagram sent at a bit rate from a thread, until destroyed; closes the caller's socket.
// With stampAt, eight bytes there carry the count sent so far, so that no two are alike and
// none is dropped as a copy of the one before.
class UdpFlood final {
    Q_DISABLE_COPY_MOVE(UdpFlood)

public:
    // Short enough for an even rate, long enough for sleep to keep it.
    static constexpr std::chrono::milliseconds Step{5};

    UdpFlood(int socket, const QHostAddress& to, quint16 port, QByteArray datagram,
             qint64 bitsPerSecond, qsizetype stampAt = -1)
        : m_socket(socket)
        , m_datagram(std::move(datagram))
        , m_stampAt(stampAt)
    {
        m_to.sin_family = AF_INET;
        m_to.sin_port = htons(port);
        m_to.sin_addr.s_addr = htonl(to.toIPv4Address());
        const double perStep = double(bitsPerSecond) / 8 / double(m_datagram.size()) *
                               std::chrono::duration<double>(Step).count();
        m_thread = std::thread([this, perStep] { run(perStep); });
    }

    ~UdpFlood()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_socket);
    }

    quint64 sent() const { return m_sent; }

private:
    void run(double perStep)
    {
        double due = 0;
        auto next = std::chrono::steady_clock::now();
        while (!m_stop) {
            for (due += perStep; due >= 1 && !m_stop; due -= 1) {
                if (m_stampAt >= 0)
                    m_datagram.replace(m_stampAt, 8,
                                       QByteArray::number(m_sent, 16).rightJustified(8, '0', true));
                if (::sendto(m_socket, m_datagram.constData(), std::size_t(m_datagram.size()), 0,
                             reinterpret_cast<const sockaddr*>(&m_to), sizeof m_to) > 0)
                    ++m_sent;
            }
            next += Step;
            std::this_thread::sleep_until(next);
        }
    }

    int m_socket;
    QByteArray m_datagram;
    qsizetype m_stampAt;
    sockaddr_in m_to{};
    std::atomic<bool> m_stop{false};
    std::atomic<quint64> m_sent{0};
    std::thread m_thread;
};
