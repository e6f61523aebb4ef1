#include "AddressWatcher.h"
#include "NetlinkMessages.h"

#include <QSocketNotifier>

#include <cerrno>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int ReadsPerTurn = 64;

// The kernel's route socket, read on the GUI thread when it has something: the kernel speaks
// only when an address, a route or a link changes, so an idle host never wakes the station.
class NetlinkAddressWatcher final : public AddressWatcher {
public:
    // A socket that could not be opened or bound leaves the watcher invalid.
    NetlinkAddressWatcher()
        : m_fd(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE))
    {
        sockaddr_nl address{};
        address.nl_family = AF_NETLINK;
        address.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV4_ROUTE;
        if (m_fd < 0 ||
            ::bind(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
            return;
        m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &NetlinkAddressWatcher::onReadable);
    }

    ~NetlinkAddressWatcher() override
    {
        delete m_notifier; // before the descriptor it watches
        if (m_fd >= 0)
            ::close(m_fd);
    }

    bool isValid() const { return m_notifier != nullptr; }
    bool isNotified() const override { return true; }

private:
    void onReadable()
    {
        bool touched = false;
        // A storm of changes (links made by the hundred) is read a slice at a time; the
        // notifier comes back for the rest after the event loop has had its turn.
        for (int read = 0; read < ReadsPerTurn; ++read) {
            sockaddr_nl from{};
            socklen_t fromLength = sizeof from;
            const ssize_t got = ::recvfrom(m_fd, m_buffer, sizeof m_buffer, MSG_TRUNC,
                                           reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (got < 0) {
                // ENOBUFS: the kernel dropped messages it could not queue; read everything again.
                touched = touched || errno == ENOBUFS;
                if (errno == EINTR || errno == ENOBUFS)
                    continue;
                break;
            }
            // Only the kernel speaks for the system; another program could send here too.
            if (from.nl_pid != 0)
                continue;
            // A batch larger than the buffer was cut short: what it said is unknown.
            const bool batchTouches =
                got > ssize_t(sizeof m_buffer) ||
                NetlinkMessages::touchesAddresses(QByteArrayView(m_buffer, got), m_links);
            touched = touched || batchTouches;
        }
        if (touched)
            emit changed();
    }

    int m_fd;
    QSocketNotifier* m_notifier = nullptr;
    NetlinkMessages::LinkStates m_links;
    char m_buffer[16 * 1024];
};

} // namespace

std::unique_ptr<AddressWatcher> AddressWatcher::create()
{
    auto watcher = std::make_unique<NetlinkAddressWatcher>();
    if (watcher->isValid())
        return watcher;
    return polling();
}
