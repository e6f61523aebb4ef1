#include "DatagramQueue.h"
#include "DatagramReceiver.h"

#include <QHostAddress>

#include <arpa/inet.h>
#include <array>
#include <cerrno>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
// Room for a burst in the kernel while the thread is not scheduled; the system may give less.
constexpr int ReceiveBufferBytes = 4 * 1024 * 1024;
// Datagrams taken per system call, and the largest a datagram can be.
constexpr unsigned BatchSize = 32;
constexpr std::size_t LargestDatagram = 65536;

// A file descriptor closed with its owner.
struct Descriptor {
    Q_DISABLE_COPY_MOVE(Descriptor)
    Descriptor() = default;
    ~Descriptor() { reset(); }
    void reset(int newFd = -1)
    {
        if (fd >= 0)
            ::close(fd);
        fd = newFd;
    }
    int fd = -1;
};

class BatchDrain final : public DatagramReceiver::Drain {
    Q_DISABLE_COPY_MOVE(BatchDrain)

public:
    BatchDrain(DatagramQueue& queue, const DatagramReceiver::Wake& wake, Descriptor& socket)
        : m_queue(queue)
        , m_wake(wake)
    {
        std::swap(m_socket.fd, socket.fd);
        m_stop.reset(::eventfd(0, EFD_CLOEXEC));
        if (m_stop.fd >= 0)
            m_thread = std::thread([this] { run(); });
    }

    ~BatchDrain() override
    {
        if (!m_thread.joinable())
            return;
        const quint64 one = 1;
        while (::write(m_stop.fd, &one, sizeof one) < 0 && errno == EINTR) { }
        m_thread.join();
    }

    bool isRunning() const { return m_thread.joinable(); }

private:
    void run();

    DatagramQueue& m_queue;
    const DatagramReceiver::Wake& m_wake;
    Descriptor m_socket;
    Descriptor m_stop; // an event the destructor raises to end run()
    std::thread m_thread;
};

} // namespace

std::unique_ptr<DatagramReceiver::Drain>
DatagramReceiver::startDrain(DatagramQueue& queue, const Wake& wake, quint16 port)
{
    Descriptor socket;
    socket.reset(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (socket.fd < 0 ||
        ::bind(socket.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return nullptr;
    ::setsockopt(socket.fd, SOL_SOCKET, SO_RCVBUF, &ReceiveBufferBytes, sizeof ReceiveBufferBytes);
    auto drain = std::make_unique<BatchDrain>(queue, wake, socket);
    if (!drain->isRunning())
        return nullptr;
    return drain;
}

void BatchDrain::run()
{
    pthread_setname_np(pthread_self(), "ChatReceive");
    // Only the pages a datagram touches are ever backed by memory.
    const std::unique_ptr<char[]> storage(new char[BatchSize * LargestDatagram]);
    std::array<sockaddr_in, BatchSize> from{};
    std::array<iovec, BatchSize> pieces{};
    std::array<mmsghdr, BatchSize> messages{};
    for (unsigned i = 0; i < BatchSize; ++i)
        pieces[i] = {storage.get() + i * LargestDatagram, LargestDatagram};
    std::vector<ReceivedDatagram> batch;
    batch.reserve(BatchSize);

    for (;;) {
        std::array<pollfd, 2> ready{{{m_socket.fd, POLLIN, 0}, {m_stop.fd, POLLIN, 0}}};
        if (::poll(ready.data(), ready.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (ready[1].revents != 0)
            return;
        // Take what the kernel holds until it holds less than a full batch.
        for (int got = BatchSize; got == int(BatchSize);) {
            for (unsigned i = 0; i < BatchSize; ++i)
                messages[i].msg_hdr = {.msg_name = &from[i],
                                       .msg_namelen = sizeof from[i],
                                       .msg_iov = &pieces[i],
                                       .msg_iovlen = 1,
                                       .msg_control = nullptr,
                                       .msg_controllen = 0,
                                       .msg_flags = 0};
            got = ::recvmmsg(m_socket.fd, messages.data(), BatchSize, MSG_DONTWAIT, nullptr);
            for (int i = 0; i < got; ++i) {
                batch.push_back({QByteArray(storage.get() + i * LargestDatagram,
                                            qsizetype(messages[i].msg_len)),
                                 QHostAddress(ntohl(from[i].sin_addr.s_addr))});
            }
            if (!batch.empty() && m_queue.push(batch))
                m_wake();
            batch.clear();
        }
    }
}
