#include "OwnAddresses.h"

#include "LocalAddress.h"

#include <QNetworkInterface>

OwnAddresses::OwnAddresses(const QHostAddress& broadcastAddress, quint16 port, QObject* parent)
    : QObject(parent)
    , m_broadcastAddress(broadcastAddress)
    , m_port(port)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleDelay);
    connect(&m_settle, &QTimer::timeout, this, [this] {
        if (refresh())
            emit outgoingChanged(m_outgoing);
    });
}

OwnAddresses::~OwnAddresses() = default;

void OwnAddresses::watch()
{
    // Watched before the first reading, so that no change falls between the two.
    if (!m_watcher) {
        m_watcher = AddressWatcher::create();
        connect(m_watcher.get(), &AddressWatcher::changed, &m_settle, [this] {
            if (!m_settle.isActive())
                m_settle.start();
        });
    }
    refresh();
}

bool OwnAddresses::refresh()
{
    m_own.clear();
    m_broadcasts.clear();
    for (const QNetworkInterface& nic : QNetworkInterface::allInterfaces()) {
        for (const QNetworkAddressEntry& entry : nic.addressEntries()) {
            if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            m_own.insert(entry.ip().toString());
            if (!entry.broadcast().isNull())
                m_broadcasts.insert(entry.broadcast().toString());
        }
    }
    const QString outgoing = LocalAddress::outgoing(m_broadcastAddress, m_port);
    if (outgoing == m_outgoing)
        return false;
    m_outgoing = outgoing;
    return true;
}

bool OwnAddresses::isOwn(const QString& address) const
{
    // The whole loopback network is this host, not only the address its interface carries.
    return m_own.contains(address) || QHostAddress(address).isLoopback();
}

bool OwnAddresses::isLocalBroadcast(const QString& address) const
{
    return m_broadcasts.contains(address);
}
