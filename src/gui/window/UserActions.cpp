#include "UserActions.h"

#include "MainMenus.h"
#include "core/app/ChatClient.h"
#include "core/protocol/TranscriptSink.h"

#include <QAction>
#include <QInputDialog>
#include <QMenu>

UserActions::UserActions(ChatClient& client, TranscriptSink& transcript, MainMenus& menus,
                         QWidget* dialogParent)
    : QObject(dialogParent)
    , m_client(client)
    , m_station(client.station())
    , m_transcript(transcript)
    , m_menus(menus)
    , m_dialogParent(dialogParent)
{
    connect(m_menus.options().refreshUsers, &QAction::triggered, this, &UserActions::refreshUsers);
    connect(m_menus.tools().refreshUsers, &QAction::triggered, this, &UserActions::refreshUsers);
    connect(m_menus.options().changeNick, &QAction::triggered, this, &UserActions::changeNick);
    connect(m_menus.user().sendNote, &QAction::triggered, this, &UserActions::sendNote);
    const Roster& roster = m_station.roster();
    connect(&roster, &Roster::dataChanged, this, &UserActions::onRosterDataChanged);
    connect(&roster, &Roster::rowsRemoved, this, &UserActions::onRosterShrunk);
    connect(&roster, &Roster::modelReset, this, &UserActions::onRosterShrunk);
}

void UserActions::onEntryReleased(const QString& key, Qt::MouseButton button,
                                  const QPoint& globalPos)
{
    const Roster& roster = m_station.roster();
    const int row = roster.rowOf(key);
    if (row < 0)
        return;
    m_selectedUser = key;
    showUserMenu(row);
    if (button == Qt::RightButton)
        m_menus.user().menu->popup(globalPos);
}

void UserActions::onEmptyReleased()
{
    forgetSelectedUser();
}

void UserActions::showUserMenu(int row)
{
    // A nick's "&" is a character, not the mark of a shortcut key; the first letter of
    // "uživatel" is.
    m_menus.user().menu->setTitle(
        QStringLiteral("&uživatel ") +
        QString(m_station.roster().at(row).nick).replace(u'&', QLatin1String("&&")));
    m_menus.user().menu->menuAction()->setVisible(true);
}

void UserActions::forgetSelectedUser()
{
    m_selectedUser.clear();
    m_menus.user().menu->menuAction()->setVisible(false);
    // Its items would act on nobody now.
    m_menus.user().menu->close();
}

void UserActions::onRosterDataChanged(const QModelIndex& first, const QModelIndex& last,
                                      const QList<int>& roles)
{
    if (!roles.isEmpty() && !roles.contains(Qt::DisplayRole))
        return;
    const int row = m_selectedUser.isEmpty() ? -1 : m_station.roster().rowOf(m_selectedUser);
    if (row >= first.row() && row <= last.row())
        showUserMenu(row);
}

// A refresh empties the list as well: the user is gone from it until they answer again.
void UserActions::onRosterShrunk()
{
    if (!m_selectedUser.isEmpty() && m_station.roster().rowOf(m_selectedUser) < 0)
        forgetSelectedUser();
}

void UserActions::refreshUsers()
{
    // The count keeps its old number until the first answer comes.
    m_station.roster().clear();
    m_station.presence().requestPing();
    m_transcript.appendBareLine(QStringLiteral("seznam uživatelů byl obnoven"), LineLook::Alert);
}

void UserActions::changeNick()
{
    askText(QStringLiteral("Kestrowind"), QStringLiteral("Zvolte novou přezdívku ..."),
            m_station.nick(), [this](const QString& nick) {
                // Compared with the nick in use when the dialog closes, not when it opened.
                if (nick.isEmpty() || nick == m_station.nick())
                    return;
                m_client.rename(nick);
                m_client.settings().save();
            });
}

void UserActions::sendNote()
{
    if (selectedAddress().isEmpty())
        return;
    askText(QStringLiteral("Zaslat zprávu"), QStringLiteral("Zaslat zprávu uživateli"), {},
            [this](const QString& text) {
                // The user may have left while the dialog was open.
                const QString address = selectedAddress();
                if (text.isEmpty() || address.isEmpty())
                    return;
                m_station.sendPacket(
                    Outgoing::messageBox(m_station.ownAddress(), m_station.nick(), text),
                    {address});
            });
}

QString UserActions::selectedAddress() const
{
    if (m_selectedUser.isEmpty() || m_station.roster().rowOf(m_selectedUser) < 0)
        return {};
    return Roster::addressOf(m_selectedUser);
}

// Opened without a nested event loop: the network goes on being handled meanwhile.
void UserActions::askText(const QString& title, const QString& prompt, const QString& initial,
                          std::function<void(const QString&)> done)
{
    auto* dialog = new QInputDialog(m_dialogParent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(title);
    dialog->setLabelText(prompt);
    dialog->setTextValue(initial);
    connect(dialog, &QInputDialog::textValueSelected, this, std::move(done));
    dialog->open();
}
