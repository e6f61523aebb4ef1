#pragma once

#include "RateLimiter.h"

#include <QByteArrayView>
#include <QObject>
#include <QString>

class AddressGuard;
class CommandDispatcher;
class LineBudget;
class PacketSender;
class Roster;
struct Command;
struct Identity;

// Keeps the roster from the stations' announcements and makes the own ones.
class Presence final : public QObject {
    Q_OBJECT

public:
    // Answers to PINGs from one source are limited to this many a second.
    static constexpr int PingAnswersPerSecond = 5;
    // LOGON, PING, PTOING, LOGOFF: handled twice, they leave the same roster as once.
    static bool isPresenceWord(QByteArrayView word);

    Presence(const Identity& self, AddressGuard& guard, Roster& roster, LineBudget& lines,
             PacketSender& sender, RateLimiter::Clock clock = RateLimiter::steadyMilliseconds,
             QObject* parent = nullptr);

    void attach(CommandDispatcher& dispatcher);

    // Tells everybody this station is here (LOGON) and asks them to answer (PING).
    bool announce();
    bool requestPing();
    // Tells everybody this station leaves (LOGOFF).
    bool announceLeaving();
    void updateUserCount();
    // This host now has another address (address already holds it): the own entry under the old
    // one goes, and the peers hear about the new one.
    void onOwnAddressChanged(const QString& oldAddress);

signals:
    void userCountChanged(const QString& text);

private:
    void onAnnouncement(const Command& command); // LOGON and PTOING
    void onPing(const Command& command);
    void onLogoff(const Command& command);

    const Identity& m_self;
    AddressGuard& m_guard;
    Roster& m_roster;
    LineBudget& m_lines;
    PacketSender& m_sender;
    RateLimiter m_pingAnswers;
};
