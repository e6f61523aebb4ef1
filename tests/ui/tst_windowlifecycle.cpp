#include "MainWindowFixture.h"
#include "ui/Composer.h"
#include "ui/MainMenus.h"
#include "ui/SettingsHolder.h"
#include "ui/UserListView.h"
#include "ui/frmAbout.h"

#include <QAction>
#include <QCheckBox>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

namespace {

// A started window whose tray icon is there or not.
struct Window : MainWindowFixture {
    explicit Window(bool trayAvailable = true, bool totray = false)
    {
        trayIcon->available = trayAvailable;
        storeOption(QStringLiteral("totray"), QString::number(int(totray)));
        start();
    }
    bool shown() const { return window.isVisible() && !window.isMinimized(); }
    // Exactly one of the two window items is usable, the one that makes sense now.
    bool itemsSay(bool shown) const
    {
        return window.menus().mnu_hidewindow->isEnabled() == shown &&
               window.menus().mnu_showwindow->isEnabled() != shown;
    }
};

} // namespace

class tst_WindowLifecycle final : public QObject {
    Q_OBJECT

private slots:
    void startShowsTheIconAndTheWelcomeThenTheWindowHidesAndComesBack()
    {
        Window w;
        QVERIFY(w.tray.isInTray());
        QCOMPARE(w.trayIcon->toolTip, QStringLiteral("Kestrowind 2"));
        QCOMPARE(w.trayIcon->menu, w.window.menus().mnu_chat);
        const FakeTrayIcon::Message welcome{"Orlathe", "vítejte v aplikaci Kestrowind 2\rOrlathe",
                                            2000};
        QCOMPARE(w.trayIcon->messages, QList<FakeTrayIcon::Message>{welcome});
        QVERIFY(w.itemsSay(true));
        const int width = w.window.width();

        // Minimised into the tray; only a double click on the icon brings it back as it was.
        w.window.showMinimized();
        QTRY_VERIFY(!w.window.isVisible());
        QVERIFY(w.itemsSay(false));
        w.trayIcon->click(TrayIconBackend::Click::Single);
        QVERIFY(!w.window.isVisible());
        w.trayIcon->click(TrayIconBackend::Click::Double);
        QTRY_VERIFY(w.shown());
        QVERIFY(w.itemsSay(true));
        QCOMPARE(w.window.width(), width);
        // The menu's two items do the same; showing makes it 19136 twips wide, as far as the
        // screen allows.
        w.window.menus().mnu_hidewindow->trigger();
        QTRY_VERIFY(!w.window.isVisible());
        QVERIFY(w.itemsSay(false));
        w.window.menus().mnu_showwindow->trigger();
        QVERIFY(w.shown());
        QVERIFY(w.itemsSay(true));
        const int screenWidth = w.window.screen()->availableGeometry().width();
        QCOMPARE(w.window.frameGeometry().width(), qMin(1276, screenWidth));
    }

    // A panel that starts after the program: until it is there the window stays in the task
    // bar, then the icon comes and minimising goes to the tray.
    void withoutATrayMinimisingStaysInTheTaskBarUntilOneAppears()
    {
        Window w(false);
        QVERIFY(!w.tray.isInTray());
        w.window.showMinimized();
        QTRY_VERIFY(w.window.isMinimized());
        QTest::qWait(0);
        QVERIFY(w.window.isVisible());
        QVERIFY(w.itemsSay(false));
        w.window.menus().mnu_showwindow->trigger();
        QTRY_VERIFY(w.shown());

        w.trayIcon->available = true;
        QTRY_VERIFY(w.tray.isInTray());
        QCOMPARE(w.trayIcon->shows, 1);
        QCOMPARE(w.trayIcon->menu, w.window.menus().mnu_chat);
        w.window.showMinimized();
        QTRY_VERIFY(!w.window.isVisible());
    }

    void startWithTotrayShowsNoWindow()
    {
        Window w(true, true);
        QTRY_VERIFY(!w.window.isVisible());
        QVERIFY(w.itemsSay(false));
    }

    void attentionRequestBringsAHiddenWindowBackWhenAsked()
    {
        Window w;
        w.window.mnu_waketype_Click(0);
        w.window.showMinimized();
        QTRY_VERIFY(!w.window.isVisible());
        w.receive("POPIT\tPetr\r\n");
        QTRY_COMPARE(w.window.chat()->entries().entryCount(), 5);
        QVERIFY(!w.window.isVisible());

        w.window.menus().mnu_waketype[1]->trigger();
        QCOMPARE(w.window.WakeType(), 1);
        QVERIFY(!w.window.menus().mnu_waketype[0]->isChecked());
        w.receive("POPIT\tPetr\r\n");
        QTRY_VERIFY(w.shown());
        QVERIFY(w.itemsSay(true));
    }

    void activityWhileHiddenShowsABalloonAndPlays()
    {
        Window w;
        QVERIFY(w.listsItself());
        frmAbout& options = w.window.settings().dialog();
        options.findChild<QCheckBox*>(QStringLiteral("Check3"))->setChecked(true);
        options.findChild<QCheckBox*>(QStringLiteral("Check6"))->setChecked(true);
        w.window.showMinimized();
        QTRY_VERIFY(!w.window.isVisible());
        const int balloons = w.trayIcon->messages.size();
        w.window.chat()->AddLine(QStringLiteral("něco"), 10, QStringLiteral("Petr"));
        QVERIFY(w.sound.plays >= 1);
        QCOMPARE(w.trayIcon->messages.size(), balloons + 1);
        QCOMPARE(w.trayIcon->messages.last().title, QStringLiteral("Kestrowind 2 informace"));

        // "zvuk zapnut" is drawn checked but out of use, like "poslat zprávu".
        const int plays = w.sound.plays;
        w.window.menus().mnuSound->trigger();
        QCOMPARE(w.sound.plays, plays);
        QVERIFY(w.window.menus().mnuSound->isChecked());
        QVERIFY(!w.window.menus().mnuSound->isEnabled());
        QVERIFY(!w.window.menus().mnu_actionmessage->isEnabled());
    }

    void closingRemovesTheIconAndSaysGoodbyeOnce()
    {
        Window w;
        QVERIFY(w.listsItself());
        QSignalSpy unloaded(&w.window, &frmchat::unloaded);
        w.window.close();
        w.window.Form_Unload();
        QCOMPARE(unloaded.count(), 1);
        QVERIFY(!w.tray.isInTray());
        QVERIFY(!w.trayIcon->visible());
        QTRY_COMPARE(w.window.station().roster().count(), 0);
    }

    void controlsScaleFromTheirDrawnGeometry()
    {
        Window w;
        QWidget* client = w.window.centralWidget();
        const QList<QWidget*> controls = {w.window.chat(), w.window.sendtext(), w.window.users(),
                                          w.window.status()};
        client->resize(593 * 2, 351);
        for (QWidget* control : controls) {
            const QRect drawn = w.window.designGeometry(control);
            QCOMPARE(control->geometry(),
                     QRect(drawn.x() * 2, drawn.y(), drawn.width() * 2, drawn.height()));
        }
        for (int i = 0; i < 50; ++i)
            client->resize(300 + 13 * i, 200 + 7 * i);
        client->resize(593, 351);
        for (QWidget* control : controls)
            QCOMPARE(control->geometry(), w.window.designGeometry(control));
    }
};

QTEST_MAIN(tst_WindowLifecycle)
#include "tst_windowlifecycle.moc"
