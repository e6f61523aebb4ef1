#pragma once

#include "AddressWatcher.h"
#include "HostAddresses.h"
#include "LocalAddress.h"

#include <QHostAddress>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <chrono>
#include <memory>

// This host's addresses as they are now: its own, the broadcast addresses of its networks, and
// the one its peers see it by, the station's own address. Cables, Wi-Fi and DHCP change them while
// the program runs, and a program started before the network has none at first, so they are read
// again whenever the system tells of a change (on a slow poll where it tells nothing).
class OwnAddresses final : public QObject, public HostAddresses {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OwnAddresses)

public:
    // A new address comes with a burst of notifications (the address, its routes, the link);
    // they are read once, this long after the first.
    static constexpr std::chrono::milliseconds SettleDelay{300};

    // The address and port that reach every station: the peers' view of us is the source
    // address of what goes there.
    OwnAddresses(const QHostAddress& broadcastAddress, quint16 port, QObject* parent = nullptr);
    ~OwnAddresses() override;

    // Reads the addresses now and from then on after every change.
    void watch();
    // True when the system tells of changes; false when they are polled for.
    bool isNotified() const { return m_watcher && m_watcher->isNotified(); }
    QString outgoing() const { return m_outgoing; }
    // The interface the user chose to be known by, by name; empty for the one the system picks
    // for broadcasts. True when that changes the outgoing address (no signal is sent then).
    bool setInterface(const QString& name);
    // The chosen interface's address while it has one, else empty: the system picks.
    QString chosenAddress() const { return m_chosenAddress; }
    const QList<LocalAddress::Interface>& interfaces() const { return m_interfaces; }

    bool isOwn(const QString& address) const override;
    bool isLocalBroadcast(const QString& address) const override;

signals:
    // The address the peers see has changed since the last reading.
    void outgoingChanged(const QString& address);
    // An interface came, went or was renumbered.
    void interfacesChanged();

private:
    // True when the outgoing address is not what it was.
    bool refresh();

    QHostAddress m_broadcastAddress;
    quint16 m_port;
    QString m_outgoing;
    QString m_interface;
    QString m_chosenAddress;
    QList<LocalAddress::Interface> m_interfaces;
    QSet<QString> m_own;
    QSet<QString> m_broadcasts;
    std::unique_ptr<AddressWatcher> m_watcher;
    QTimer m_settle; // runs only between a change and its reading
};
