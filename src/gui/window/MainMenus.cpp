#include "MainMenus.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>

#include <algorithm>
#include <tuple>

namespace {
QAction* item(QMenu* menu, const char* name, const QString& text, const QKeySequence& keys = {})
{
    QAction* action = menu->addAction(text);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(keys);
    // The keys work while the window has focus, whichever menu holds the item.
    action->setShortcutContext(Qt::WindowShortcut);
    return action;
}

QMenu* menu(QMenuBar& bar, const char* name, const QString& title)
{
    QMenu* menu = bar.addMenu(title);
    menu->setObjectName(QLatin1String(name));
    return menu;
}
} // namespace

MainMenus::MainMenus(QMenuBar& bar, QObject* parent)
    : QObject(parent)
{
    buildOptionsMenu(bar);
    buildUserMenu(bar);
    buildToolsMenu(bar);

    // F10 opens the first menu, as in most desktop programs. Alt alone and Alt with a menu's
    // underlined letter are the bar's own; inside a menu the letter alone picks the item.
    auto* openBar = new QShortcut(QKeySequence(Qt::Key_F10), &bar);
    connect(openBar, &QShortcut::activated, &bar, [&bar] {
        const QList<QAction*> menus = bar.actions();
        const auto first = std::find_if(menus.cbegin(), menus.cend(), [](const QAction* menu) {
            return menu->isVisible() && menu->isEnabled();
        });
        if (first != menus.cend())
            bar.setActiveAction(*first);
    });
}

void MainMenus::buildOptionsMenu(QMenuBar& bar)
{
    OptionsMenu& items = m_options;
    items.menu = menu(bar, "optionsMenu", QStringLiteral("&možnosti"));
    items.showWindow =
        item(items.menu, "showWindow", QStringLiteral("&zobrazit okno"), Qt::Key_F11);
    items.hideWindow = item(items.menu, "hideWindow", QStringLiteral("&skrýt okno"), Qt::Key_F2);
    items.menu->addSeparator();
    items.refreshUsers =
        item(items.menu, "refreshUsers", QStringLiteral("&obnovit uživatele"), Qt::Key_F5);
    items.sendMessage =
        item(items.menu, "sendMessage", QStringLiteral("&poslat zprávu"), Qt::Key_F3);
    // Drawn but out of use, and so are "vyžádat si pozornost" and "zvuk zapnut".
    items.sendMessage->setEnabled(false);
    items.changeNick = item(items.menu, "changeNick", QStringLiteral("z&měnit přezdívku"));
    items.attentionMenu = items.menu->addMenu(QStringLiteral("&když je vyžadována má pozornost"));
    items.attentionMenu->setObjectName(QStringLiteral("attentionMenu"));
    items.attentionResponses = new QActionGroup(this);
    using Response = Messages::AttentionResponse;
    const std::tuple<const char*, QString, Response> responses[] = {
        {"ignoreAttention", QStringLiteral("&ignorovat upozornění"), Response::Ignore},
        {"restoreOnAttention", QStringLiteral("&maximalizovat okno aplikace"),
         Response::RestoreWindow}};
    for (const auto& [name, text, response] : responses) {
        QAction* choice = item(items.attentionMenu, name, text);
        choice->setCheckable(true);
        choice->setData(int(response));
        items.attentionResponses->addAction(choice);
    }
    connect(items.attentionResponses, &QActionGroup::triggered, this,
            [this](const QAction* chosen) {
                emit attentionResponseChosen(Messages::AttentionResponse(chosen->data().toInt()));
            });
    items.menu->addSeparator();
    items.settings = item(items.menu, "settings", QStringLiteral("&nastavení"));
    items.menu->addSeparator();
    items.quit = item(items.menu, "quit", QStringLiteral("&ukončit aplikaci"), Qt::Key_F12);
}

void MainMenus::showAttentionResponse(Messages::AttentionResponse response) const
{
    for (QAction* item : m_options.attentionResponses->actions())
        item->setChecked(item->data().toInt() == int(response));
}

void MainMenus::buildUserMenu(QMenuBar& bar)
{
    UserMenu& items = m_user;
    items.menu = menu(bar, "userMenu", QStringLiteral("&UserMenu"));
    // In the bar only while a user is picked.
    items.menu->menuAction()->setVisible(false);
    items.sendFile =
        item(items.menu, "sendFile", QStringLiteral("zaslat &soubor"), Qt::CTRL | Qt::Key_F);
    items.menu->addSeparator();
    items.requestAttention =
        item(items.menu, "requestAttention", QStringLiteral("&vyžádat si pozornost"), Qt::Key_F4);
    items.requestAttention->setEnabled(false);
    items.sendNote = item(items.menu, "sendNote", QStringLiteral("zaslat &upozornění"), Qt::Key_F6);
}

void MainMenus::buildToolsMenu(QMenuBar& bar)
{
    ToolsMenu& items = m_tools;
    items.menu = menu(bar, "toolsMenu", QStringLiteral("&nástroje"));
    items.saveMenu = items.menu->addMenu(QStringLiteral("&uložit obsah diskuze do souboru"));
    items.saveMenu->setObjectName(QStringLiteral("saveMenu"));
    items.saveAsHtml = item(items.saveMenu, "saveAsHtml", QStringLiteral("&HTML"));
    items.saveAsRtf = item(items.saveMenu, "saveAsRtf", QStringLiteral("&RichText File"));
    items.saveAsText = item(items.saveMenu, "saveAsText", QStringLiteral("&obyčejný text"));
    items.print = item(items.menu, "printTranscript", QStringLiteral("&tisk obsahu diskuze"));
    // Ctrl+F has always sent a file.
    items.find = item(items.menu, "findInTranscript", QStringLiteral("&hledat v diskuzi"),
                      Qt::CTRL | Qt::SHIFT | Qt::Key_F);
    items.clear =
        item(items.menu, "clearTranscript", QStringLiteral("&vyčistit pole diskuze"), Qt::Key_F8);
    items.openHistoryFolder =
        item(items.menu, "openHistoryFolder", QStringLiteral("otevřít &složku s historií"));
    items.menu->addSeparator();
    items.refreshUsers =
        item(items.menu, "refreshUserList", QStringLiteral("&obnovit seznam uživatelů"));
    items.menu->addSeparator();
    items.sound = item(items.menu, "sound", QStringLiteral("&zvuk zapnut"), Qt::Key_F9);
    items.sound->setCheckable(true);
    items.sound->setChecked(true);
    items.sound->setEnabled(false);
    items.menu->addSeparator();
    items.checkForUpdates =
        item(items.menu, "checkForUpdates", QStringLiteral("zjistit &nové verze"));
}
