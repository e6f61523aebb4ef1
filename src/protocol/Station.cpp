#include "Station.h"

#include "Framing.h"

Station::Station(TranscriptSink& transcript, UdpTransport::Endpoints endpoints, QObject* parent)
    : QObject(parent)
    , m_transport(std::move(endpoints))
    , m_presence(m_identity, m_roster, transcript, *this)
    , m_messages(m_roster, transcript)
{
    m_presence.attach(m_dispatcher);
    m_messages.attach(m_dispatcher);
    connect(&m_transport, &UdpTransport::datagramReceived, this, &Station::HandleDatagram);
}

bool Station::bindSockets()
{
    const bool listening = m_transport.bind();
    m_identity.MyIP = m_transport.localAddress();
    return listening;
}

void Station::setUsername(const QString& nick)
{
    if (m_identity.Username == nick)
        return;
    m_identity.Username = nick;
    emit usernameChanged(nick);
}

bool Station::SendPackage(const QByteArray& data_to_send, const QStringList& SpecificIPs)
{
    const auto datagram = Framing::framePacket(data_to_send);
    if (!datagram)
        return false;
    if (SpecificIPs.isEmpty())
        return m_transport.broadcast(*datagram);
    for (const QString& address : SpecificIPs) {
        if (!m_transport.sendTo(*datagram, address))
            return false;
    }
    return true;
}

void Station::HandleDatagram(const QByteArray& datagram, const QHostAddress& sender)
{
    const QString source = sender.isNull() ? QString() : sender.toString();
    ReceiveBuffer& buffer = m_buffers.of(source);
    buffer.append(datagram);
    // Taken out before it is handled: a handler may add to or forget other buffers.
    while (const auto packet = buffer.takeNext())
        m_dispatcher.HandleCommand(packet->word, packet->argument, source);
}
