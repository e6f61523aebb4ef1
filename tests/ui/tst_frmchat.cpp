#include "TrayFakes.h"
#include "app/Autostart.h"
#include "app/Platform.h"
#include "app/SettingsStore.h"
#include "tray/SoundPlayer.h"
#include "ui/Composer.h"
#include "ui/MainMenus.h"
#include "ui/StatusPanels.h"
#include "ui/TranscriptView.h"
#include "ui/UserListView.h"
#include "ui/frmchat.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QUdpSocket>

namespace {

quint16 freePort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::AnyIPv4, 0);
    return probe.localPort();
}

// A main window on loopback with settings and autostart in folders of its own.
struct Window {
    QTemporaryDir config;
    QSettingsStore store{config.path()};
    PlatformAutostart autostart{config.filePath(QStringLiteral("autostart"))};
    CountingSound sound;
    FakeTrayIcon* trayIcon = new FakeTrayIcon;
    TrayCode tray{std::unique_ptr<TrayIconBackend>(trayIcon)};
    quint16 port = freePort();
    frmchat window{
        {store, autostart, sound, tray, UdpEndpoints{port, QHostAddress(QHostAddress::LocalHost)}}};

    QStringList lines() const
    {
        QStringList result;
        const QTextDocument* document = window.chat()->document();
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
            result << block.text();
        return result;
    }
    QString count() const { return window.status()->panelText(QStringLiteral("users_online")); }
};

// Answers the next modal box, as a user would.
void acceptNextBox()
{
    QTimer::singleShot(0, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->accept();
    });
}

QString withoutStamp(const QString& line)
{
    return line.section(QLatin1Char(']'), 1);
}

} // namespace

class tst_frmchat final : public QObject {
    Q_OBJECT

private slots:
    void startUpWritesItsLinesThenHearsItsOwnArrival()
    {
        Window w;
        QVERIFY(w.window.Form_Load({}));
        const QString myIp = w.window.station().MyIP();
        const QString nick = w.window.station().Username();
        QCOMPARE(nick, Platform::GetWindowsUserName().isEmpty() ? QStringLiteral("anonymní")
                                                                : Platform::GetWindowsUserName());
        QStringList lines = w.lines();
        QCOMPARE(withoutStamp(lines.value(0)),
                 QStringLiteral("Kestrowind v.: 2.0 build: 15 aplikace spuštěna"));
        QCOMPARE(withoutStamp(lines.value(1)),
                 QStringLiteral("přihlášený uživatel: ") + Platform::GetWindowsUserName() +
                     QStringLiteral("; název počítače: ") + Platform::GetMachineName() +
                     QStringLiteral("; IP: ") + myIp);
        QVERIFY(lines.value(2).contains(QStringLiteral("Orlathe")));
        QCOMPARE(w.window.status()->panelText(QStringLiteral("ip")), myIp);

        QTRY_COMPARE(w.count(), QStringLiteral("uživatelé on-line: 1"));
        const Roster& roster = w.window.station().roster();
        QCOMPARE(roster.at(0).key, Roster::keyFor(myIp));
        QCOMPARE(roster.at(0).icon, QStringLiteral("u1"));
        QCOMPARE(withoutStamp(w.lines().value(3)),
                 QStringLiteral("uživatel %1 vstoupil do diskuze").arg(nick));

        QCOMPARE(w.window.WakeType(), 1);
        QVERIFY(w.window.menus().mnu_waketype[1]->isChecked());
        QVERIFY(!w.window.menus().mnu_waketype[0]->isChecked());
        QVERIFY(!w.window.menus().mnu_User->menuAction()->isVisible());
        QCOMPARE(w.window.windowTitle(), QStringLiteral("Kestrowind "));
    }

    void closingSaysGoodbye()
    {
        Window w;
        QVERIFY(w.window.Form_Load({}));
        w.window.show();
        QTRY_COMPARE(w.count(), QStringLiteral("uživatelé on-line: 1"));
        w.window.close();
        // The own LOGOFF comes back to the still listening socket.
        QTRY_COMPARE(w.count(), QStringLiteral("uživatelé on-line: 0"));
    }

    void takenPortIsToldNotHidden()
    {
        QUdpSocket squatter;
        Window w;
        QVERIFY(squatter.bind(QHostAddress::AnyIPv4, w.port, QAbstractSocket::DontShareAddress));
        QVERIFY(w.window.Form_Load({}));
        const QStringList lines = w.lines();
        QCOMPARE(withoutStamp(lines.value(3)),
                 QStringLiteral("port %1 je obsazen jiným programem: zprávy od ostatních "
                                "uživatelů se nebudou přijímat")
                     .arg(w.port));
    }

    void uninstallDeletesSettingsAndStopsBeforeTheNetwork()
    {
        Window w;
        w.store.write(QStringLiteral("kestrowind2"), QStringLiteral("options"),
                      QStringLiteral("nick"), QStringLiteral("pepa"));
        acceptNextBox();
        StartOptions start;
        start.uninstall = true;
        QVERIFY(!w.window.Form_Load(start));
        QVERIFY(!QFile::exists(w.store.fileOf(QStringLiteral("kestrowind2"))));
        QVERIFY(!w.window.station().isListening());
        QVERIFY(w.lines().join(QString()).isEmpty());
    }

    void menusCarryTheirItemsAndKeys_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QKeySequence>("keys");
        const auto row = [](const char* name, const char* text, QKeySequence keys = {}) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromUtf8(text) << keys;
        };
        row("mnu_showwindow", "zobrazit okno", Qt::Key_F11);
        row("mnu_hidewindow", "skrýt okno", Qt::Key_F2);
        row("mnu_refreshusers", "obnovit uživatele", Qt::Key_F5);
        row("mnu_actionmessage", "poslat zprávu", Qt::Key_F3);
        row("mnu_selectnick", "změnit přezdívku");
        row("mnu_About", "nastavení");
        row("mnu_quit", "ukončit aplikaci", Qt::Key_F12);
        row("mnu_sendfile", "zaslat soubor", Qt::CTRL | Qt::Key_F);
        row("mnu_popremote", "vyžádat si pozornost", Qt::Key_F4);
        row("mnu_sendalert", "zaslat upozornění", Qt::Key_F6);
        row("mnuHTML", "HTML");
        row("mnuRCHT", "RichText File");
        row("mnuSimpleText", "obyčejný text");
        row("mnuPrintchat", "tisk obsahu diskuze");
        row("mnuClear", "vyčistit pole diskuze", Qt::Key_F8);
        row("mnuRefresh", "obnovit seznam uživatelů");
        row("mnuSound", "zvuk zapnut", Qt::Key_F9);
        row("mnuUpdate", "zjistit nové verze");
    }

    void menusCarryTheirItemsAndKeys()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QKeySequence, keys);
        Window w;
        auto* action = w.window.findChild<QAction*>(name);
        QVERIFY(action);
        QCOMPARE(action->text(), text);
        QCOMPARE(action->shortcut(), keys);
    }

    void menuBarReadsLeftToRight()
    {
        Window w;
        const MainMenus& menus = w.window.menus();
        QCOMPARE(menus.mnu_chat->title(), QStringLiteral("možnosti"));
        QCOMPARE(menus.mnu_User->title(), QStringLiteral("UserMenu"));
        QCOMPARE(menus.mnuTools->title(), QStringLiteral("nástroje"));
        QStringList chatItems;
        for (const QAction* action : menus.mnu_chat->actions())
            chatItems << (action->isSeparator() ? QStringLiteral("-") : action->text());
        QCOMPARE(chatItems, (QStringList{"zobrazit okno", "skrýt okno", "-", "obnovit uživatele",
                                         "poslat zprávu", "změnit přezdívku",
                                         "když je vyžadována má pozornost", "-", "nastavení", "-",
                                         "ukončit aplikaci"}));
        QStringList wakeItems;
        for (const QAction* action : menus.mnu_wake->actions())
            wakeItems << action->text();
        QCOMPARE(wakeItems, (QStringList{"ignorovat upozornění", "maximalizovat okno aplikace"}));
    }

    void controlsStandWhereTheyWereDrawn()
    {
        Window w;
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        w.window.centralWidget()->resize(593, 351);
        QCOMPARE(w.window.chat()->geometry(), QRect(0, 0, 433, 303));
        QCOMPARE(w.window.sendtext()->geometry(), QRect(0, 304, 433, 33));
        QCOMPARE(w.window.users()->geometry(), QRect(440, 0, 157, 336));
        QCOMPARE(w.window.status()->geometry(), QRect(0, 334, 593, 17));
        QCOMPARE(w.window.users()->model()->headerData(0, Qt::Horizontal).toString(),
                 QStringLiteral("uživatel"));
    }
};

QTEST_MAIN(tst_frmchat)
#include "tst_frmchat.moc"
