#pragma once

#include <QObject>
#include <QString>

class CommandDispatcher;
class Roster;
class TranscriptSink;
struct Command;

// What users say to each other: chat lines, actions, private notes and attention requests.
class Messages final : public QObject {
    Q_OBJECT

public:
    Messages(const Roster& roster, TranscriptSink& transcript, QObject* parent = nullptr);

    void attach(CommandDispatcher& dispatcher);

    // A chat line: written under the sender's nick from the roster; a sender that is not
    // in the roster is not shown.
    void Add2Chat(const QStringList& d);

signals:
    // A private note for the user; the receiver shows it without holding up the network.
    void messageBoxRequested(const QString& caption, const QString& text);
    // Somebody asks for the user's attention; the window decides whether to come back.
    void attentionRequested();

private:
    void onAlert(const Command& command);
    void onMessageBox(const Command& command);
    void onPopIt(const Command& command);

    const Roster& m_roster;
    TranscriptSink& m_transcript;
};

// The data of the commands this station sends from what its user typed.
namespace Outgoing {
QByteArray chatLine(const QString& myIp, const QString& text);
QByteArray action(const QString& myIp, const QString& nick, const QString& text);
QByteArray messageBox(const QString& myIp, const QString& nick, const QString& text);
} // namespace Outgoing
