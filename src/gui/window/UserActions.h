#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QString>

#include <functional>

class ChatClient;
class MainMenus;
class QModelIndex;
class Station;
class TranscriptSink;
class QWidget;

// What the user does with the user list: picks a user for the user menu, refreshes the
// list, changes the own nick and sends a private note. The user menu goes by the picked
// user's nick as it is now, and goes away when that user leaves.
class UserActions final : public QObject {
    Q_OBJECT

public:
    UserActions(ChatClient& client, TranscriptSink& transcript, MainMenus& menus,
                QWidget* dialogParent);

    // The roster key of the user last hit in the list; empty when none.
    QString selectedUser() const { return m_selectedUser; }
    void clearSelectedUser() { m_selectedUser.clear(); }

    void onEntryReleased(const QString& key, Qt::MouseButton button, const QPoint& globalPos);
    void onEmptyReleased();

    void refreshUsers();
    void changeNick();
    void sendNote();

private:
    void showUserMenu(int row);
    void forgetSelectedUser();
    void onRosterDataChanged(const QModelIndex& first, const QModelIndex& last,
                             const QList<int>& roles);
    void onRosterShrunk();
    void askText(const QString& title, const QString& prompt, const QString& initial,
                 std::function<void(const QString&)> done);
    // The remembered user's address, or empty when that user is no longer listed.
    QString selectedAddress() const;

    ChatClient& m_client;
    Station& m_station;
    TranscriptSink& m_transcript;
    MainMenus& m_menus;
    QWidget* m_dialogParent;
    QString m_selectedUser;
};
