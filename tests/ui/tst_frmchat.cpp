#include "MainWindowFixture.h"
#include "app/Platform.h"
#include "ui/Composer.h"
#include "ui/MainMenus.h"
#include "ui/UserListView.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

namespace {

// Answers the next modal box, as a user would.
void acceptNextBox()
{
    QTimer::singleShot(0, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->accept();
    });
}

} // namespace

class tst_frmchat final : public QObject {
    Q_OBJECT

private slots:
    void startUpWritesItsLinesThenHearsItsOwnArrival()
    {
        MainWindowFixture w;
        QVERIFY(w.window.Form_Load({}));
        const QString myIp = w.window.station().MyIP();
        const QString nick = w.window.station().Username();
        QCOMPARE(nick, Platform::GetWindowsUserName().isEmpty() ? QStringLiteral("anonymní")
                                                                : Platform::GetWindowsUserName());
        QStringList lines = w.lines();
        QCOMPARE(lines.value(0), QStringLiteral("Kestrowind v.: 2.0 build: 15 aplikace spuštěna"));
        QCOMPARE(lines.value(1), QStringLiteral("přihlášený uživatel: ") +
                                     Platform::GetWindowsUserName() +
                                     QStringLiteral("; název počítače: ") +
                                     Platform::GetMachineName() + QStringLiteral("; IP: ") + myIp);
        QVERIFY(lines.value(2).contains(QStringLiteral("Orlathe")));
        QCOMPARE(w.window.status()->panelText(QStringLiteral("ip")), myIp);

        QTRY_COMPARE(w.count(), QStringLiteral("uživatelé on-line: 1"));
        const Roster& roster = w.window.station().roster();
        QCOMPARE(roster.at(0).key, Roster::keyFor(myIp));
        QCOMPARE(roster.at(0).icon, QStringLiteral("u1"));
        QCOMPARE(w.lines().value(3), QStringLiteral("uživatel %1 vstoupil do diskuze").arg(nick));

        QCOMPARE(w.window.WakeType(), 1);
        QVERIFY(w.window.menus().mnu_waketype[1]->isChecked());
        QVERIFY(!w.window.menus().mnu_waketype[0]->isChecked());
        QVERIFY(!w.window.menus().mnu_User->menuAction()->isVisible());
        QCOMPARE(w.window.windowTitle(), QStringLiteral("Kestrowind "));
        QCOMPARE(w.window.users()->model()->headerData(0, Qt::Horizontal).toString(),
                 QStringLiteral("uživatel"));
        // The icon built into the program, as small as the tray and as large as the desktop asks.
        for (const int size : {16, 256})
            QCOMPARE(w.window.windowIcon().pixmap(size).width(), size);
    }

    void takenPortIsToldNotHidden()
    {
        QUdpSocket squatter;
        MainWindowFixture w;
        QVERIFY(squatter.bind(QHostAddress::AnyIPv4, w.port, QAbstractSocket::DontShareAddress));
        QVERIFY(w.window.Form_Load({}));
        const QStringList lines = w.lines();
        QCOMPARE(lines.value(3),
                 QStringLiteral("port %1 je obsazen jiným programem: zprávy od ostatních "
                                "uživatelů se nebudou přijímat")
                     .arg(w.port));
    }

    void uninstallDeletesSettingsAndStopsBeforeTheNetwork()
    {
        MainWindowFixture w;
        w.storeOption(QStringLiteral("nick"), QStringLiteral("pepa"));
        QVERIFY(w.autostart.enable(QStringLiteral("/opt/kestrowind2/kestrowind2")));
        acceptNextBox();
        StartOptions start;
        start.uninstall = true;
        QVERIFY(!w.window.Form_Load(start));
        QVERIFY(!QFile::exists(w.store.fileOf(QStringLiteral("kestrowind2"))));
        // An uninstalled program must not come back at the next logon.
        QVERIFY(!w.autostart.isEnabled());
        QVERIFY(!w.window.station().isListening());
        QVERIFY(w.lines().join(QString()).isEmpty());
    }

    void menusCarryTheirItemsInOrderWithTheirKeys()
    {
        const auto items = [](const QMenu* menu) {
            QStringList result;
            for (const QAction* action : menu->actions()) {
                const QString keys = action->shortcut().toString(QKeySequence::PortableText);
                result << (action->isSeparator() ? QStringLiteral("-")
                           : keys.isEmpty()      ? action->text()
                                                 : action->text() + QLatin1Char(' ') + keys);
            }
            return result;
        };
        MainWindowFixture w;
        const MainMenus& menus = w.window.menus();
        QCOMPARE(menus.mnu_chat->title(), QStringLiteral("možnosti"));
        QCOMPARE(
            items(menus.mnu_chat),
            (QStringList{"zobrazit okno F11", "skrýt okno F2", "-", "obnovit uživatele F5",
                         "poslat zprávu F3", "změnit přezdívku", "když je vyžadována má pozornost",
                         "-", "nastavení", "-", "ukončit aplikaci F12"}));
        QCOMPARE(items(menus.mnu_wake),
                 (QStringList{"ignorovat upozornění", "maximalizovat okno aplikace"}));
        QCOMPARE(menus.mnu_User->title(), QStringLiteral("UserMenu"));
        QCOMPARE(items(menus.mnu_User),
                 (QStringList{"zaslat soubor Ctrl+F", "-", "vyžádat si pozornost F4",
                              "zaslat upozornění F6"}));
        QCOMPARE(menus.mnuTools->title(), QStringLiteral("nástroje"));
        QCOMPARE(items(menus.mnuTools),
                 (QStringList{"uložit obsah diskuze do souboru", "tisk obsahu diskuze",
                              "vyčistit pole diskuze F8", "-", "obnovit seznam uživatelů", "-",
                              "zvuk zapnut F9", "-", "zjistit nové verze"}));
        QCOMPARE(items(menus.mnuSaveToFileUp),
                 (QStringList{"HTML", "RichText File", "obyčejný text"}));
    }
};

QTEST_MAIN(tst_frmchat)
#include "tst_frmchat.moc"
