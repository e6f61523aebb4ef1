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
        const QList<LocalAddress::Interface> before = m_interfaces;
        if (refresh())
            emit outgoingChanged(m_outgoing);
        if (m_interfaces != before)
            emit interfacesChanged();
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
    m_interfaces = LocalAddress::interfaces();
    m_chosenAddress.clear();
    for (const LocalAddress::Interface& nic : std::as_const(m_interfaces)) {
        if (!m_interface.isEmpty() && nic.name == m_interface)
            m_chosenAddress = nic.address;
    }
    // A chosen interface that is down or unplugged leaves the choice to the system until it is
    // back, so that the station is heard somewhere meanwhile.
    const QString outgoing = m_chosenAddress.isEmpty()
                                 ? LocalAddress::outgoing(m_broadcastAddress, m_port)
                                 : m_chosenAddress;
    if (outgoing == m_outgoing)
        return false;
    m_outgoing = outgoing;
    return true;
}

bool OwnAddresses::setInterface(const QString& name)
{
    if (name == m_interface)
        return false;
    m_interface = name;
    return refresh();
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
