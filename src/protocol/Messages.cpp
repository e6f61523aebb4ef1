#include "Messages.h"

#include "CommandDispatcher.h"
#include "Framing.h"
#include "Roster.h"
#include "TranscriptSink.h"

namespace {
const QByteArray MsgWord = QByteArrayLiteral("MSG");
const QByteArray AlertWord = QByteArrayLiteral("ALERT");
const QByteArray MsgBoxWord = QByteArrayLiteral("MSGBOX");
const QByteArray PopItWord = QByteArrayLiteral("POPIT");
} // namespace

Messages::Messages(const Roster& roster, TranscriptSink& transcript, QObject* parent)
    : QObject(parent)
    , m_roster(roster)
    , m_transcript(transcript)
{
}

void Messages::attach(CommandDispatcher& dispatcher)
{
    dispatcher.on(MsgWord, [this](const Command& command) { Add2Chat(command.d); });
    dispatcher.on(AlertWord, [this](const Command& command) { onAlert(command); });
    dispatcher.on(MsgBoxWord, [this](const Command& command) { onMessageBox(command); });
    dispatcher.on(PopItWord, [this](const Command& command) { onPopIt(command); });
}

void Messages::Add2Chat(const QStringList& d)
{
    if (d.size() < 2)
        return;
    const int row = m_roster.rowOf(Roster::keyFor(d[0]));
    if (row < 0)
        return;
    QString nick = m_roster.at(row).text;
    if (nick.isEmpty())
        nick = QStringLiteral("anonymní");
    m_transcript.AddLine(d[1], 10, nick);
}

void Messages::onAlert(const Command& command)
{
    if (!command.has(2))
        return;
    m_transcript.AddLine(command.d[1] + QLatin1Char(' ') + command.d[2], 2, QStringLiteral(" "));
}

void Messages::onMessageBox(const Command& command)
{
    if (!command.has(2))
        return;
    const auto& d = command.d;
    emit messageBoxRequested(QStringLiteral("zpráva od: ") + d[1] + QStringLiteral(" [") + d[0] +
                                 QLatin1Char(']'),
                             d[2]);
}

void Messages::onPopIt(const Command& command)
{
    if (command.has(0))
        m_transcript.AddLine(QStringLiteral("uživatel ") + command.d[0] +
                                 QStringLiteral(" vyžaduje vaši pozornost"),
                             4);
    emit attentionRequested();
}

namespace Outgoing {
QByteArray chatLine(const QString& myIp, const QString& text)
{
    return Framing::commandData(MsgWord, {myIp, text});
}

QByteArray action(const QString& myIp, const QString& nick, const QString& text)
{
    return Framing::commandData(AlertWord, {myIp, nick, text});
}

QByteArray messageBox(const QString& myIp, const QString& nick, const QString& text)
{
    return Framing::commandData(MsgBoxWord, {myIp, nick, text});
}
} // namespace Outgoing
