#pragma once

#include <QObject>
#include <QString>

class CommandDispatcher;
class PacketSender;
class Roster;
class TranscriptSink;
struct Command;
struct Identity;

// Keeps the roster from the stations' announcements and makes the own ones.
class Presence final : public QObject {
    Q_OBJECT

public:
    Presence(const Identity& self, Roster& roster, TranscriptSink& transcript, PacketSender& sender,
             QObject* parent = nullptr);

    void attach(CommandDispatcher& dispatcher);

    bool Logon();
    bool RequestPing();
    bool Logoff();
    void UpdateUserCount();

signals:
    void userCountChanged(const QString& text);

private:
    void onAnnouncement(const Command& command); // LOGON and PTOING
    void onPing(const Command& command);
    void onLogoff(const Command& command);

    const Identity& m_self;
    Roster& m_roster;
    TranscriptSink& m_transcript;
    PacketSender& m_sender;
};
