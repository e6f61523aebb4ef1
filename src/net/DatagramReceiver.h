#pragma once

#include <QtGlobal>

#include <functional>
#include <thread>

class DatagramQueue;

// Owns the listening socket and the thread that drains it: whatever arrives is moved into the
// queue at once, many datagrams per system call, so the kernel's buffer does not overflow while
// the GUI thread is busy.
class DatagramReceiver final {
    Q_DISABLE_COPY_MOVE(DatagramReceiver)

public:
    // Called on the receive thread when the queue has just gone from empty to holding something.
    using Wake = std::function<void()>;

    DatagramReceiver(DatagramQueue& queue, Wake wake);
    // Stops the thread before the socket closes.
    ~DatagramReceiver();

    // Binds every local IPv4 address on the port and starts draining. Not shared: a second
    // program on the port must make this fail, not split the traffic.
    bool bind(quint16 port);

private:
    // A file descriptor closed with its owner.
    struct Descriptor {
        Q_DISABLE_COPY_MOVE(Descriptor)
        Descriptor() = default;
        ~Descriptor() { reset(); }
        void reset(int newFd = -1);
        int fd = -1;
    };

    void drain();

    DatagramQueue& m_queue;
    Wake m_wake;
    Descriptor m_socket;
    Descriptor m_stop; // an event the destructor raises to end drain()
    std::thread m_thread;
};
