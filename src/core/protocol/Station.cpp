#include "Station.h"

#include "Framing.h"

#include <utility>

Station::Station(TranscriptSink& transcript, NotePresenter& notes,
                 const UdpTransport::Endpoints& endpoints, QObject* parent)
    : QObject(parent)
    , m_transport(endpoints)
    , m_hosts(endpoints.broadcastAddress, endpoints.port)
    , m_guard(m_identity, m_hosts, m_roster)
    , m_lines(transcript, m_hosts)
    , m_presence(m_identity, m_guard, m_roster, m_lines, *this)
    , m_messages(m_roster, m_guard, m_lines, notes)
{
    m_presence.attach(m_dispatcher);
    m_messages.attach(m_dispatcher);
    connect(&m_transport, &UdpTransport::datagramReceived, this, &Station::onDatagramArrived);
    connect(&m_hosts, &OwnAddresses::outgoingChanged, this, &Station::onOutgoingChanged);
    // The chosen interface may have gone or come back with its address unchanged.
    connect(&m_hosts, &OwnAddresses::interfacesChanged, this, [this] {
        m_transport.setSourceAddress(QHostAddress(m_hosts.chosenAddress()));
        emit interfacesChanged();
    });
    m_clock.start();
}

bool Station::bindSockets()
{
    const bool listening = m_transport.bind();
    m_hosts.watch();
    m_identity.address = m_hosts.outgoing();
    return listening;
}

void Station::onOutgoingChanged(const QString& address)
{
    const QString old = std::exchange(m_identity.address, address);
    m_transport.setSourceAddress(QHostAddress(m_hosts.chosenAddress()));
    m_presence.onOwnAddressChanged(old);
    emit ownAddressChanged(address);
    emit interfacesChanged();
}

void Station::setExtraAddresses(const QStringList& addresses)
{
    QList<QHostAddress> extra;
    for (const QString& address : addresses) {
        if (const QHostAddress parsed(address); parsed.protocol() == QAbstractSocket::IPv4Protocol)
            extra.append(parsed);
    }
    m_transport.setExtraAddresses(extra);
}

void Station::setNetworkInterface(const QString& name, bool announce)
{
    if (name == m_interface)
        return;
    m_interface = name;
    const QString old = m_identity.address;
    const bool moved = m_hosts.setInterface(name);
    // The old network hears the goodbye while the socket still sends there.
    if (moved && announce)
        m_presence.announceLeaving();
    m_transport.setSourceAddress(QHostAddress(m_hosts.chosenAddress()));
    if (moved) {
        m_identity.address = m_hosts.outgoing();
        if (announce)
            m_presence.onOwnAddressChanged(old);
        emit ownAddressChanged(m_identity.address);
    }
    emit interfacesChanged();
}

QStringList Station::otherInterfaces() const
{
    QStringList others;
    if (!m_interface.isEmpty())
        return others;
    for (const LocalAddress::Interface& nic : m_hosts.interfaces()) {
        if (!nic.broadcast.isEmpty() && nic.address != m_identity.address)
            others << QStringLiteral("%1 (%2)").arg(nic.name, nic.address);
    }
    return others;
}

void Station::setNick(const QString& nick)
{
    if (m_identity.nick == nick)
        return;
    m_identity.nick = nick;
    emit nickChanged(nick);
}

bool Station::sendPacket(const QByteArray& packet, const QStringList& addresses)
{
    const auto datagram = Framing::framePacket(packet);
    if (!datagram)
        return false;
    if (addresses.isEmpty())
        return m_transport.broadcast(*datagram);
    for (const QString& address : addresses) {
        if (!m_transport.sendTo(*datagram, address))
            return false;
    }
    return true;
}

void Station::onDatagramArrived(const QByteArray& datagram, const QHostAddress& sender)
{
    // Presence shows nothing twice, and a PING repeated within the second (a refresh right
    // after the start) must be answered again, and the same answer heard again.
    const Framing::CutResult first = Framing::cutNext(datagram);
    const bool presence =
        first.status == Framing::CutResult::Status::Packet && Presence::isPresenceWord(first.word);
    if (presence || m_duplicates.admit(sender.toString(), datagram, m_clock.elapsed()))
        handleDatagram(datagram, sender);
}

void Station::handleDatagram(const QByteArray& datagram, const QHostAddress& sender)
{
    const QString source = sender.isNull() ? QString() : sender.toString();
    ReceiveBuffer& buffer = m_buffers.of(source);
    buffer.append(datagram);
    // Taken out before it is handled: a handler may add to or forget other buffers.
    while (const auto packet = buffer.takeNext())
        m_dispatcher.handleCommand(packet->word, packet->argument, source);
}
