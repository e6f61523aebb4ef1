#include "MainMenus.h"

#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>

#include <algorithm>

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
    buildChatMenu(bar);
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

void MainMenus::buildChatMenu(QMenuBar& bar)
{
    mnu_chat = menu(bar, "mnu_chat", QStringLiteral("&možnosti"));
    mnu_showwindow =
        item(mnu_chat, "mnu_showwindow", QStringLiteral("&zobrazit okno"), Qt::Key_F11);
    mnu_hidewindow = item(mnu_chat, "mnu_hidewindow", QStringLiteral("&skrýt okno"), Qt::Key_F2);
    mnu_chat->addSeparator();
    mnu_refreshusers =
        item(mnu_chat, "mnu_refreshusers", QStringLiteral("&obnovit uživatele"), Qt::Key_F5);
    mnu_actionmessage =
        item(mnu_chat, "mnu_actionmessage", QStringLiteral("&poslat zprávu"), Qt::Key_F3);
    // Drawn but out of use, and so are "vyžádat si pozornost" and "zvuk zapnut".
    mnu_actionmessage->setEnabled(false);
    mnu_selectnick = item(mnu_chat, "mnu_selectnick", QStringLiteral("z&měnit přezdívku"));
    mnu_wake = mnu_chat->addMenu(QStringLiteral("&když je vyžadována má pozornost"));
    mnu_wake->setObjectName(QStringLiteral("mnu_wake"));
    auto* wakeGroup = new QActionGroup(this);
    const QString wakeTexts[] = {QStringLiteral("&ignorovat upozornění"),
                                 QStringLiteral("&maximalizovat okno aplikace")};
    for (std::size_t i = 0; i < mnu_waketype.size(); ++i) {
        mnu_waketype[i] = item(mnu_wake, "mnu_waketype", wakeTexts[i]);
        mnu_waketype[i]->setCheckable(true);
        wakeGroup->addAction(mnu_waketype[i]);
    }
    mnu_chat->addSeparator();
    mnu_About = item(mnu_chat, "mnu_About", QStringLiteral("&nastavení"));
    mnu_chat->addSeparator();
    mnu_quit = item(mnu_chat, "mnu_quit", QStringLiteral("&ukončit aplikaci"), Qt::Key_F12);
}

void MainMenus::buildUserMenu(QMenuBar& bar)
{
    mnu_User = menu(bar, "mnu_User", QStringLiteral("&UserMenu"));
    mnu_sendfile =
        item(mnu_User, "mnu_sendfile", QStringLiteral("zaslat &soubor"), Qt::CTRL | Qt::Key_F);
    mnu_User->addSeparator();
    mnu_popremote =
        item(mnu_User, "mnu_popremote", QStringLiteral("&vyžádat si pozornost"), Qt::Key_F4);
    mnu_popremote->setEnabled(false);
    mnu_sendalert =
        item(mnu_User, "mnu_sendalert", QStringLiteral("zaslat &upozornění"), Qt::Key_F6);
}

void MainMenus::buildToolsMenu(QMenuBar& bar)
{
    mnuTools = menu(bar, "mnuTools", QStringLiteral("&nástroje"));
    mnuSaveToFileUp = mnuTools->addMenu(QStringLiteral("&uložit obsah diskuze do souboru"));
    mnuSaveToFileUp->setObjectName(QStringLiteral("mnuSaveToFileUp"));
    mnuHTML = item(mnuSaveToFileUp, "mnuHTML", QStringLiteral("&HTML"));
    mnuRCHT = item(mnuSaveToFileUp, "mnuRCHT", QStringLiteral("&RichText File"));
    mnuSimpleText = item(mnuSaveToFileUp, "mnuSimpleText", QStringLiteral("&obyčejný text"));
    mnuPrintchat = item(mnuTools, "mnuPrintchat", QStringLiteral("&tisk obsahu diskuze"));
    mnuClear = item(mnuTools, "mnuClear", QStringLiteral("&vyčistit pole diskuze"), Qt::Key_F8);
    mnuTools->addSeparator();
    mnuRefresh = item(mnuTools, "mnuRefresh", QStringLiteral("&obnovit seznam uživatelů"));
    mnuTools->addSeparator();
    mnuSound = item(mnuTools, "mnuSound", QStringLiteral("&zvuk zapnut"), Qt::Key_F9);
    mnuSound->setCheckable(true);
    mnuSound->setChecked(true);
    mnuSound->setEnabled(false);
    mnuTools->addSeparator();
    mnuUpdate = item(mnuTools, "mnuUpdate", QStringLiteral("zjistit &nové verze"));
}
