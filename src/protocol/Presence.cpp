#include "Presence.h"

#include "CommandDispatcher.h"
#include "Framing.h"
#include "Identity.h"
#include "PacketSender.h"
#include "Roster.h"
#include "TranscriptSink.h"

namespace {
const QByteArray LogonWord = QByteArrayLiteral("LOGON");
const QByteArray PtoingWord = QByteArrayLiteral("PTOING");
const QByteArray PingWord = QByteArrayLiteral("PING");
const QByteArray LogoffWord = QByteArrayLiteral("LOGOFF");
} // namespace

Presence::Presence(const Identity& self, Roster& roster, TranscriptSink& transcript,
                   PacketSender& sender, QObject* parent)
    : QObject(parent)
    , m_self(self)
    , m_roster(roster)
    , m_transcript(transcript)
    , m_sender(sender)
{
}

void Presence::attach(CommandDispatcher& dispatcher)
{
    const auto announcement = [this](const Command& command) { onAnnouncement(command); };
    dispatcher.on(LogonWord, announcement);
    dispatcher.on(PtoingWord, announcement);
    dispatcher.on(PingWord, [this](const Command& command) { onPing(command); });
    dispatcher.on(LogoffWord, [this](const Command& command) { onLogoff(command); });
}

bool Presence::Logon()
{
    const bool announced = m_sender.SendPackage(
        Framing::commandData(LogonWord, {m_self.MyIP, m_self.Username, m_self.MyIcon}));
    const bool pinged = RequestPing();
    return announced && pinged;
}

bool Presence::RequestPing()
{
    return m_sender.SendPackage(Framing::commandData(PingWord, {m_self.MyIP, m_self.Username}));
}

bool Presence::Logoff()
{
    return m_sender.SendPackage(Framing::commandData(LogoffWord, {m_self.MyIP}));
}

void Presence::UpdateUserCount()
{
    emit userCountChanged(QStringLiteral("uživatelé on-line: %1").arg(m_roster.count()));
}

void Presence::onAnnouncement(const Command& command)
{
    const auto& d = command.d;
    if (command.has(0)) {
        const QString key = Roster::keyFor(d[0]);
        int row = m_roster.rowOf(key);
        if (row < 0) {
            if (command.word == LogonWord && command.has(1))
                m_transcript.AddLine(QStringLiteral("uživatel %1 vstoupil do diskuze").arg(d[1]),
                                     3);
            row = m_roster.append(key);
        }
        if (command.has(1))
            m_roster.setText(row, d[1]);
        // Only the own entry is marked "u1"; a peer keeps its old icon when it announces a
        // key that the list has no picture for, or the own station's mark.
        if (d[0] == m_self.MyIP)
            m_roster.setIcon(row, QString::fromLatin1(Roster::OwnIcon));
        else if (command.has(2) && d[2] != QLatin1String(Roster::OwnIcon) && Roster::hasIcon(d[2]))
            m_roster.setIcon(row, d[2]);
        if (m_roster.at(row).icon.isEmpty())
            m_roster.setIcon(row, QString::fromLatin1(Roster::UserIcon));
    }
    UpdateUserCount();
}

void Presence::onPing(const Command& command)
{
    if (!command.has(0))
        return;
    const auto& d = command.d;
    m_sender.SendPackage(
        Framing::commandData(PtoingWord, {m_self.MyIP, m_self.Username, m_self.MyIcon}), {d[0]});
    if (!command.has(1))
        return;
    const int row = m_roster.rowOf(Roster::keyFor(d[0]));
    if (row < 0 || m_roster.at(row).text == d[1])
        return;
    m_transcript.AddLine(QStringLiteral("uživatel %1 je nyní %2").arg(m_roster.at(row).text, d[1]),
                         2);
    m_roster.setText(row, d[1]);
}

void Presence::onLogoff(const Command& command)
{
    const int row = command.has(0) ? m_roster.rowOf(Roster::keyFor(command.d[0])) : -1;
    if (row >= 0) {
        m_transcript.AddLine(QStringLiteral("uživatel %1 opustli chat").arg(m_roster.at(row).text),
                             3, QStringLiteral(" "));
        m_roster.remove(row);
    }
    UpdateUserCount();
}
