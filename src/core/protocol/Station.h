#pragma once

#include "AddressGuard.h"
#include "CommandDispatcher.h"
#include "Identity.h"
#include "LineBudget.h"
#include "Messages.h"
#include "PacketSender.h"
#include "Presence.h"
#include "ReceiveBuffer.h"
#include "Roster.h"
#include "core/net/DuplicateFilter.h"
#include "core/net/OwnAddresses.h"
#include "core/net/UdpTransport.h"

#include <QElapsedTimer>
#include <QObject>

class NotePresenter;
class TranscriptSink;

// The network half of the main window: the sockets, the receive buffer, the dispatcher
// and the state the protocol keeps. Needs no widgets.
class Station final : public QObject, public PacketSender {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Station)

public:
    Station(TranscriptSink& transcript, NotePresenter& notes,
            const UdpTransport::Endpoints& endpoints = {}, QObject* parent = nullptr);

    // Binds both sockets and reads the own address, which then follows the host's address; false
    // when nothing can be received.
    bool bindSockets();
    bool isListening() const { return m_transport.isListening(); }

    QString ownAddress() const { return m_identity.address; }
    QString nick() const { return m_identity.nick; }
    void setNick(const QString& nick);
    QString icon() const { return m_identity.icon; }
    void setIcon(const QString& icon) { m_identity.icon = icon; }

    Roster& roster() { return m_roster; }
    Presence& presence() { return m_presence; }
    Messages& messages() { return m_messages; }
    const Messages& messages() const { return m_messages; }
    quint16 port() const { return m_transport.endpoints().port; }
    // For the handlers that live outside the station, such as file transfer.
    const Identity& identity() const { return m_identity; }
    AddressGuard& guard() { return m_guard; }
    // Where lines that peers' packets write go through, each source within its budget.
    LineBudget& peerLines() { return m_lines; }
    CommandDispatcher& dispatcher() { return m_dispatcher; }

    bool sendPacket(const QByteArray& packet, const QStringList& addresses = {}) override;
    // Where broadcasts go as well, in this order: dotted IPv4 addresses, as the options hold them.
    void setExtraAddresses(const QStringList& addresses);
    // Goes by the named interface's address and broadcasts through it; an empty name leaves
    // both to the system. With announce, a station already on line says goodbye under the old
    // address and announces itself under the new one.
    void setNetworkInterface(const QString& name, bool announce);
    // "name (address)" of each interface that can broadcast but is not the one the system
    // picked; empty when the user has chosen one.
    QStringList otherInterfaces() const;

    // What arrived on the listening socket; public so a test can feed bytes in directly.
    void handleDatagram(const QByteArray& datagram, const QHostAddress& sender);

signals:
    void nickChanged(const QString& nick);
    // The station has another address and has announced itself under it.
    void ownAddressChanged(const QString& address);
    // What otherInterfaces() says may have changed.
    void interfacesChanged();

private:
    void onOutgoingChanged(const QString& address);
    // From the socket: a copy of what just came from the same source goes no further.
    void onDatagramArrived(const QByteArray& datagram, const QHostAddress& sender);

    UdpTransport m_transport;
    Identity m_identity;
    OwnAddresses m_hosts;
    Roster m_roster;
    AddressGuard m_guard;
    LineBudget m_lines;
    ReceiveBuffers m_buffers;
    CommandDispatcher m_dispatcher;
    Presence m_presence;
    Messages m_messages;
    DuplicateFilter m_duplicates;
    QElapsedTimer m_clock;
    QString m_interface;
};
