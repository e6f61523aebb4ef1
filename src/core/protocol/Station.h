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
#include "core/net/OwnAddresses.h"
#include "core/net/UdpTransport.h"

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

    // Binds both sockets and reads MyIP, which then follows the host's address; false when
    // nothing can be received.
    bool bindSockets();
    bool isListening() const { return m_transport.isListening(); }

    QString MyIP() const { return m_identity.MyIP; }
    QString Username() const { return m_identity.Username; }
    void setUsername(const QString& nick);
    QString MyIcon() const { return m_identity.MyIcon; }
    void setMyIcon(const QString& icon) { m_identity.MyIcon = icon; }

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

    bool SendPackage(const QByteArray& data_to_send, const QStringList& SpecificIPs = {}) override;

    // What arrived on the listening socket; public so a test can feed bytes in directly.
    void HandleDatagram(const QByteArray& datagram, const QHostAddress& sender);

signals:
    void usernameChanged(const QString& nick);
    // The station has another address and has announced itself under it.
    void myIpChanged(const QString& address);

private:
    void onOutgoingChanged(const QString& address);

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
};
