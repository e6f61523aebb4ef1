#include "Presence.h"

#include "AddressGuard.h"
#include "CommandDispatcher.h"
#include "Framing.h"
#include "Identity.h"
#include "LineBudget.h"
#include "PacketSender.h"
#include "PeerText.h"
#include "Roster.h"

namespace {
const QByteArray LogonWord = QByteArrayLiteral("LOGON");
const QByteArray PtoingWord = QByteArrayLiteral("PTOING");
const QByteArray PingWord = QByteArrayLiteral("PING");
const QByteArray LogoffWord = QByteArrayLiteral("LOGOFF");
} // namespace

Presence::Presence(const Identity& self, AddressGuard& guard, Roster& roster, LineBudget& lines,
                   PacketSender& sender, RateLimiter::Clock clock, QObject* parent)
    : QObject(parent)
    , m_self(self)
    , m_guard(guard)
    , m_roster(roster)
    , m_lines(lines)
    , m_sender(sender)
    , m_pingAnswers(PingAnswersPerSecond, 1000, std::move(clock))
{
}

bool Presence::isPresenceWord(QByteArrayView word)
{
    return word == LogonWord || word == PingWord || word == PtoingWord || word == LogoffWord;
}

void Presence::attach(CommandDispatcher& dispatcher)
{
    const auto announcement = [this](const Command& command) { onAnnouncement(command); };
    dispatcher.on(LogonWord, announcement);
    dispatcher.on(PtoingWord, announcement);
    dispatcher.on(PingWord, [this](const Command& command) { onPing(command); });
    dispatcher.on(LogoffWord, [this](const Command& command) { onLogoff(command); });
}

bool Presence::announce()
{
    const bool announced = m_sender.sendPacket(
        Framing::commandData(LogonWord, {m_self.address, m_self.nick, m_self.icon}));
    const bool pinged = requestPing();
    return announced && pinged;
}

bool Presence::requestPing()
{
    return m_sender.sendPacket(Framing::commandData(PingWord, {m_self.address, m_self.nick}));
}

bool Presence::announceLeaving()
{
    return m_sender.sendPacket(Framing::commandData(LogoffWord, {m_self.address}));
}

void Presence::updateUserCount()
{
    emit userCountChanged(QStringLiteral("uživatelé on-line: %1").arg(m_roster.count()));
}

void Presence::onOwnAddressChanged(const QString& oldAddress)
{
    if (const int row = m_roster.rowOf(Roster::keyFor(oldAddress)); row >= 0) {
        m_roster.remove(row);
        updateUserCount();
    }
    announce();
}

void Presence::onAnnouncement(const Command& command)
{
    if (command.has(0)) {
        const QString& address = command.fields[0];
        if (!m_guard.admit(command.source, address))
            return;
        const QString key = Roster::keyFor(address);
        const QString nick = command.has(1) ? PeerText::nick(command.fields[1]) : QString();
        int row = m_roster.rowOf(key);
        if (row < 0) {
            if (!m_guard.mayAdd(command.source, address))
                return;
            if (command.word == LogonWord && command.has(1))
                m_lines.appendLine(command.source,
                                   QStringLiteral("uživatel %1 vstoupil do diskuze").arg(nick),
                                   LineLook::Presence);
            row = m_roster.append(key, command.source);
        }
        if (command.has(1))
            m_roster.setNick(row, nick);
        // Only the own entry is marked "u1"; a peer keeps its old icon when it announces a
        // key that the list has no picture for, or the own station's mark.
        const QString icon = command.fields.value(2);
        if (address == m_self.address)
            m_roster.setIcon(row, QString::fromLatin1(Roster::OwnIcon));
        else if (icon != QLatin1String(Roster::OwnIcon) && Roster::hasIcon(icon))
            m_roster.setIcon(row, icon);
        if (m_roster.at(row).icon.isEmpty())
            m_roster.setIcon(row, QString::fromLatin1(Roster::UserIcon));
    }
    updateUserCount();
}

// The answer goes to where the PING came from, whatever address it names.
void Presence::onPing(const Command& command)
{
    if (!command.has(0) || !m_guard.admit(command.source, command.fields[0]) ||
        !m_pingAnswers.allow(command.source))
        return;
    if (m_guard.canAnswer(command.source))
        m_sender.sendPacket(
            Framing::commandData(PtoingWord, {m_self.address, m_self.nick, m_self.icon}),
            {command.source});
    if (!command.has(1))
        return;
    const QString nick = PeerText::nick(command.fields[1]);
    const int row = m_roster.rowOf(Roster::keyFor(command.fields[0]));
    if (row < 0 || m_roster.at(row).nick == nick)
        return;
    m_lines.appendLine(command.source,
                       QStringLiteral("uživatel %1 je nyní %2").arg(m_roster.at(row).nick, nick),
                       LineLook::Action);
    m_roster.setNick(row, nick);
}

void Presence::onLogoff(const Command& command)
{
    const bool named = command.has(0) && m_guard.admit(command.source, command.fields[0]);
    const int row = named ? m_roster.rowOf(Roster::keyFor(command.fields[0])) : -1;
    if (row >= 0) {
        m_lines.appendBareLine(
            command.source, QStringLiteral("uživatel %1 opustli chat").arg(m_roster.at(row).nick),
            LineLook::Presence);
        m_roster.remove(row);
    }
    updateUserCount();
}
