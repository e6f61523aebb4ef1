#pragma once

#include "protocol/AddressGuard.h"

#include <QHostAddress>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <chrono>

// This host's addresses as they are now: its own, the broadcast addresses of its networks, and
// the one its peers see it by (MyIP). Cables, Wi-Fi and DHCP change them while the program
// runs, and a program started before the network has none at first, so they are read again
// every few seconds.
class OwnAddresses final : public QObject, public HostAddresses {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OwnAddresses)

public:
    static constexpr std::chrono::milliseconds PollInterval{2000};

    // The address and port that reach every station: the peers' view of us is the source
    // address of what goes there.
    OwnAddresses(QHostAddress broadcastAddress, quint16 port, QObject* parent = nullptr);

    // Reads the addresses now and from then on every PollInterval.
    void watch();
    QString outgoing() const { return m_outgoing; }

    bool isOwn(const QString& address) const override;
    bool isLocalBroadcast(const QString& address) const override;

signals:
    // The address the peers see has changed since the last reading.
    void outgoingChanged(const QString& address);

private:
    // True when the outgoing address is not what it was.
    bool refresh();

    QHostAddress m_broadcastAddress;
    quint16 m_port;
    QString m_outgoing;
    QSet<QString> m_own;
    QSet<QString> m_broadcasts;
    QTimer m_poll;
};
