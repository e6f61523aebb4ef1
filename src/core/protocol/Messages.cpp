#include "Messages.h"

#include "AddressGuard.h"
#include "CommandDispatcher.h"
#include "Framing.h"
#include "LineBudget.h"
#include "NotePresenter.h"
#include "PeerText.h"
#include "Roster.h"

#include <QPointer>

namespace {
const QByteArray MsgWord = QByteArrayLiteral("MSG");
const QByteArray AlertWord = QByteArrayLiteral("ALERT");
const QByteArray MsgBoxWord = QByteArrayLiteral("MSGBOX");
const QByteArray PopItWord = QByteArrayLiteral("POPIT");
} // namespace

Messages::Messages(const Roster& roster, AddressGuard& guard, LineBudget& lines,
                   NotePresenter& notes, RateLimiter::Clock clock, QObject* parent)
    : QObject(parent)
    , m_roster(roster)
    , m_guard(guard)
    , m_lines(lines)
    , m_notes(notes)
    , m_attention(1, AttentionIntervalMs, std::move(clock))
{
}

void Messages::attach(CommandDispatcher& dispatcher)
{
    dispatcher.on(MsgWord, [this](const Command& command) {
        if (admit(command))
            showChatLine(command.fields, command.source);
    });
    dispatcher.on(AlertWord, [this](const Command& command) { onAlert(command); });
    dispatcher.on(MsgBoxWord, [this](const Command& command) { onMessageBox(command); });
    dispatcher.on(PopItWord, [this](const Command& command) { onPopIt(command); });
}

void Messages::showChatLine(const QStringList& fields, const QString& source)
{
    if (fields.size() < 2)
        return;
    const int row = m_roster.rowOf(Roster::keyFor(fields[0]));
    if (row < 0)
        return;
    QString nick = m_roster.at(row).nick;
    if (nick.isEmpty())
        nick = QStringLiteral("anonymní");
    m_lines.appendLine(source, fields[1], LineLook::Chat, nick);
}

bool Messages::admit(const Command& command)
{
    return !command.has(0) || m_guard.admit(command.source, command.fields[0]);
}

void Messages::onAlert(const Command& command)
{
    if (!command.has(2) || !admit(command))
        return;
    const QString& nick = command.fields[1];
    const QString& text = command.fields[2];
    m_lines.appendBareLine(command.source, PeerText::nick(nick) + QLatin1Char(' ') + text,
                           LineLook::Action);
}

void Messages::onMessageBox(const Command& command)
{
    if (!command.has(2) || !admit(command))
        return;
    const QString& address = command.fields[0];
    const QString& nick = command.fields[1];
    const QString& text = command.fields[2];
    const QString caption = QStringLiteral("zpráva od: ") + PeerText::nick(nick) +
                            QStringLiteral(" [") + address + QLatin1Char(']');
    // A flood of notes must not open a flood of windows; what does not fit is still read.
    if (m_openNotes >= MaxOpenNotes) {
        m_lines.appendLine(command.source, caption + QStringLiteral(": ") + text, LineLook::Alert);
        return;
    }
    ++m_openNotes;
    m_notes.showNote(caption, text, [self = QPointer<Messages>(this)] {
        if (self)
            --self->m_openNotes;
    });
}

void Messages::onPopIt(const Command& command)
{
    if (command.has(0))
        m_lines.appendLine(command.source,
                           QStringLiteral("uživatel ") + PeerText::nick(command.fields[0]) +
                               QStringLiteral(" vyžaduje vaši pozornost"),
                           LineLook::Alert);
    // A flood of requests must not keep snatching the screen.
    if (m_attentionResponse == AttentionResponse::RestoreWindow && m_attention.allow())
        emit attentionRequested();
}

namespace Outgoing {
QByteArray chatLine(const QString& ownAddress, const QString& text)
{
    return Framing::commandData(MsgWord, {ownAddress, text});
}

QByteArray action(const QString& ownAddress, const QString& nick, const QString& text)
{
    return Framing::commandData(AlertWord, {ownAddress, nick, text});
}

QByteArray messageBox(const QString& ownAddress, const QString& nick, const QString& text)
{
    return Framing::commandData(MsgBoxWord, {ownAddress, nick, text});
}
} // namespace Outgoing
