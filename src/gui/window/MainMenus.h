#pragma once

#include <QObject>

#include <array>

class QAction;
class QMenu;
class QMenuBar;

// The three menus of the main window and their items, under the names the rest of the
// program knows them by. The window connects the items to what they do.
class MainMenus final : public QObject {
    Q_OBJECT

public:
    explicit MainMenus(QMenuBar& bar, QObject* parent = nullptr);

    // "možnosti"; also the tray icon's menu.
    QMenu* mnu_chat = nullptr;
    QAction* mnu_showwindow = nullptr;
    QAction* mnu_hidewindow = nullptr;
    QAction* mnu_refreshusers = nullptr;
    QAction* mnu_actionmessage = nullptr;
    QAction* mnu_selectnick = nullptr;
    QMenu* mnu_wake = nullptr;
    std::array<QAction*, 2> mnu_waketype{};
    QAction* mnu_About = nullptr;
    QAction* mnu_quit = nullptr;

    // "UserMenu": stands in the menu bar under the name of the user last hit in the list.
    QMenu* mnu_User = nullptr;
    QAction* mnu_sendfile = nullptr;
    QAction* mnu_popremote = nullptr;
    QAction* mnu_sendalert = nullptr;

    // "nástroje"
    QMenu* mnuTools = nullptr;
    QMenu* mnuSaveToFileUp = nullptr;
    QAction* mnuHTML = nullptr;
    QAction* mnuRCHT = nullptr;
    QAction* mnuSimpleText = nullptr;
    QAction* mnuPrintchat = nullptr;
    QAction* mnuClear = nullptr;
    QAction* mnuRefresh = nullptr;
    QAction* mnuSound = nullptr;
    QAction* mnuUpdate = nullptr;

private:
    void buildChatMenu(QMenuBar& bar);
    void buildUserMenu(QMenuBar& bar);
    void buildToolsMenu(QMenuBar& bar);
};
