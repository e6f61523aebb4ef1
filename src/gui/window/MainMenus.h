#pragma once

#include "core/protocol/Messages.h"

#include <QObject>

class QAction;
class QActionGroup;
class QMenu;
class QMenuBar;

// The three menus of the main window and their items. The window and its parts connect the
// items to what they do.
class MainMenus final : public QObject {
    Q_OBJECT

public:
    // "možnosti"; also the tray icon's menu.
    struct OptionsMenu {
        QMenu* menu = nullptr;
        QAction* showWindow = nullptr;
        QAction* hideWindow = nullptr;
        QAction* refreshUsers = nullptr;
        QAction* sendMessage = nullptr; // drawn, out of use
        QAction* changeNick = nullptr;
        // What a peer's request for attention does; each item's data is its response.
        QMenu* attentionMenu = nullptr;
        QActionGroup* attentionResponses = nullptr;
        QAction* settings = nullptr;
        QAction* quit = nullptr;
    };
    // Stands in the menu bar, under the name of the user last hit in the list, only while one is.
    struct UserMenu {
        QMenu* menu = nullptr;
        QAction* sendFile = nullptr;
        QAction* requestAttention = nullptr; // drawn, out of use
        QAction* sendNote = nullptr;
    };
    // "nástroje"
    struct ToolsMenu {
        QMenu* menu = nullptr;
        QMenu* saveMenu = nullptr;
        QAction* saveAsHtml = nullptr;
        QAction* saveAsRtf = nullptr;
        QAction* saveAsText = nullptr;
        QAction* print = nullptr;
        QAction* find = nullptr;
        QAction* clear = nullptr;
        QAction* openHistoryFolder = nullptr;
        QAction* refreshUsers = nullptr;
        QAction* sound = nullptr; // drawn checked, out of use
        QAction* checkForUpdates = nullptr;
    };

    explicit MainMenus(QMenuBar& bar, QObject* parent = nullptr);

    const OptionsMenu& options() const { return m_options; }
    const UserMenu& user() const { return m_user; }
    const ToolsMenu& tools() const { return m_tools; }

    // Checks the item of the response.
    void showAttentionResponse(Messages::AttentionResponse response) const;

signals:
    void attentionResponseChosen(Messages::AttentionResponse response);

private:
    void buildOptionsMenu(QMenuBar& bar);
    void buildUserMenu(QMenuBar& bar);
    void buildToolsMenu(QMenuBar& bar);

    OptionsMenu m_options;
    UserMenu m_user;
    ToolsMenu m_tools;
};
