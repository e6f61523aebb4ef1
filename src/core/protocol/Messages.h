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

    // A chat line (address, text) from source: written under the sender's nick from the roster;
    // a sender that is not in the roster is not shown.
    void showChatLine(const QStringList& fields, const QString& source);

    int openNotes() const { return m_openNotes; }

    // What an attention request does besides writing its line.
    enum class AttentionResponse {
        Ignore, // the line alone
        RestoreWindow, // the window comes back too
    };
    AttentionResponse attentionResponse() const { return m_attentionResponse; }
    void setAttentionResponse(AttentionResponse response) { m_attentionResponse = response; }

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
    AttentionResponse m_attentionResponse = AttentionResponse::Ignore;
};

// The data of the commands this station sends from what its user typed.
namespace Outgoing {
QByteArray chatLine(const QString& ownAddress, const QString& text);
QByteArray action(const QString& ownAddress, const QString& nick, const QString& text);
QByteArray messageBox(const QString& ownAddress, const QString& nick, const QString& text);
} // namespace Outgoing
