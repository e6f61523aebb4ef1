#pragma once

#include <QtGlobal>

#include <functional>
#include <memory>

class DatagramQueue;

// Owns the listening socket and the thread that drains it: whatever arrives is moved into the
// queue at once, so the kernel's buffer does not overflow while the GUI thread is busy.
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

    // The platform's way of draining: many datagrams per system call on Linux, a Qt socket on
    // a thread of its own elsewhere. Destroying it stops its thread.
    class Drain {
    public:
        virtual ~Drain() = default;
    };
    // Binds the port and starts a drain on it; none when the port cannot be had.
    static std::unique_ptr<Drain> startDrain(DatagramQueue& queue, const Wake& wake, quint16 port);

private:
    DatagramQueue& m_queue;
    Wake m_wake;
    std::unique_ptr<Drain> m_drain;
};
