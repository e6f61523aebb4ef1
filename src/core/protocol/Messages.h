#pragma once

#include "RateLimiter.h"

#include <QObject>
#include <QString>

class AddressGuard;
class CommandDispatcher;
class LineBudget;
class NotePresenter;
class Roster;
struct Command;

// What users say to each other: chat lines, actions, private notes and attention requests.
class Messages final : public QObject {
    Q_OBJECT

public:
    // Notes open at once; one more goes to the transcript instead.
    static constexpr int MaxOpenNotes = 5;
    // An attention request brings the window back at most once in this many milliseconds.
    static constexpr qint64 AttentionIntervalMs = 2000;

    Messages(const Roster& roster, AddressGuard& guard, LineBudget& lines, NotePresenter& notes,
             RateLimiter::Clock clock = RateLimiter::steadyMilliseconds, QObject* parent = nullptr);

    void attach(CommandDispatcher& dispatcher);

    // A chat line from source: written under the sender's nick from the roster; a sender that
    // is not in the roster is not shown.
    void Add2Chat(const QStringList& d, const QString& source);

    int openNotes() const { return m_openNotes; }

    // What an attention request does: 0 only writes its line, 1 also brings the window back.
    int WakeType() const { return m_wakeType; }
    void setWakeType(int wakeType) { m_wakeType = wakeType; }

signals:
    // Somebody asked for the user's attention and the window is to come back.
    void attentionRequested();

private:
    bool admit(const Command& command);
    void onAlert(const Command& command);
    void onMessageBox(const Command& command);
    void onPopIt(const Command& command);

    const Roster& m_roster;
    AddressGuard& m_guard;
    LineBudget& m_lines;
    NotePresenter& m_notes;
    RateLimiter m_attention;
    int m_openNotes = 0;
    int m_wakeType = 0;
};

// The data of the commands this station sends from what its user typed.
namespace Outgoing {
QByteArray chatLine(const QString& myIp, const QString& text);
QByteArray action(const QString& myIp, const QString& nick, const QString& text);
QByteArray messageBox(const QString& myIp, const QString& nick, const QString& text);
} // namespace Outgoing
