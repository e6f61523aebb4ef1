#include "TrayFakes.h"
#include "app/Autostart.h"
#include "app/SettingsStore.h"
#include "protocol/Framing.h"
#include "tray/TrayCode.h"
#include "ui/Composer.h"
#include "ui/MainMenus.h"
#include "ui/SettingsHolder.h"
#include "ui/StatusPanels.h"
#include "ui/TranscriptView.h"
#include "ui/UserListView.h"
#include "ui/frmAbout.h"
#include "ui/frmchat.h"

#include <QAction>
#include <QCheckBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

namespace {

quint16 freePort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::AnyIPv4, 0);
    return probe.localPort();
}

// A main window on loopback whose tray icon is a stand-in, present or not.
struct Window {
    explicit Window(bool trayAvailable = true, bool totray = false)
    {
        trayIcon->available = trayAvailable;
        store.write("kestrowind2", "options", "first", "true");
        store.write("kestrowind2", "options", "totray", totray ? "1" : "0");
        window.Form_Load({});
        window.show();
    }

    void receive(const QByteArray& data)
    {
        QUdpSocket peer;
        peer.writeDatagram(*Framing::framePacket(data), QHostAddress::LocalHost, port);
    }

    bool shown() const { return window.isVisible() && !window.isMinimized(); }
    bool itemsSayShown() const
    {
        return window.menus().mnu_hidewindow->isEnabled() &&
               !window.menus().mnu_showwindow->isEnabled();
    }
    bool itemsSayHidden() const
    {
        return !window.menus().mnu_hidewindow->isEnabled() &&
               window.menus().mnu_showwindow->isEnabled();
    }

    QTemporaryDir config;
    QSettingsStore store{config.path()};
    PlatformAutostart autostart{config.filePath(QStringLiteral("autostart"))};
    CountingSound sound;
    FakeTrayIcon* trayIcon = new FakeTrayIcon;
    TrayCode tray{std::unique_ptr<TrayIconBackend>(trayIcon)};
    quint16 port = freePort();
    frmchat window{
        {store, autostart, sound, tray, UdpEndpoints{port, QHostAddress(QHostAddress::LocalHost)}}};
};

} // namespace

class tst_WindowLifecycle final : public QObject {
    Q_OBJECT

private slots:
    void startShowsTheIconAndTheWelcome()
    {
        Window w;
        QVERIFY(w.tray.isInTray());
        QCOMPARE(w.trayIcon->toolTip, QStringLiteral("Kestrowind 2"));
        QCOMPARE(w.trayIcon->menu, w.window.menus().mnu_chat);
        QCOMPARE(w.trayIcon->messages.size(), 1);
        QCOMPARE(w.trayIcon->messages.first().title, QStringLiteral("Orlathe"));
        QCOMPARE(w.trayIcon->messages.first().msec, 2000);
        QVERIFY(w.itemsSayShown());
    }

    void minimisingHidesIntoTheTrayAndADoubleClickBringsItBack()
    {
        Window w;
        w.window.showMinimized();
        QTRY_VERIFY(!w.window.isVisible());
        QVERIFY(w.itemsSayHidden());
        w.trayIcon->click(TrayIconBackend::Click::Single);
        QVERIFY(!w.window.isVisible());
        const int width = w.window.width();
        w.trayIcon->click(TrayIconBackend::Click::Double);
        QTRY_VERIFY(w.shown());
        QVERIFY(w.itemsSayShown());
        QCOMPARE(w.window.width(), width);
    }

    void withoutATrayMinimisingStaysInTheTaskBar()
    {
        Window w(false);
        QVERIFY(!w.tray.isInTray());
        w.window.showMinimized();
        QTRY_VERIFY(w.window.isMinimized());
        QTest::qWait(0);
        QVERIFY(w.window.isVisible());
        QVERIFY(w.itemsSayHidden());
        w.window.menus().mnu_showwindow->trigger();
        QTRY_VERIFY(w.shown());
    }

    void menuItemsHideAndShowTheWindow()
    {
        Window w;
        w.window.menus().mnu_hidewindow->trigger();
        QTRY_VERIFY(!w.window.isVisible());
        QVERIFY(w.itemsSayHidden());
        w.window.menus().mnu_showwindow->trigger();
        QVERIFY(w.shown());
        QVERIFY(w.itemsSayShown());
        // 19136 twips, as far as the screen allows.
        const int screenWidth = w.window.screen()->availableGeometry().width();
        QCOMPARE(w.window.frameGeometry().width(), qMin(1276, screenWidth));
    }

    void startWithTotrayShowsNoWindow()
    {
        Window w(true, true);
        QTRY_VERIFY(!w.window.isVisible());
        QVERIFY(w.itemsSayHidden());
    }

    void attentionRequestBringsAHiddenWindowBackWhenAsked()
    {
        Window w;
        w.window.mnu_waketype_Click(0);
        w.window.showMinimized();
        QTRY_VERIFY(!w.window.isVisible());
        w.receive("POPIT\tPetr\r\n");
        QTRY_COMPARE(w.window.chat()->document()->blockCount(), 6);
        QVERIFY(!w.window.isVisible());

        w.window.mnu_waketype_Click(1);
        w.receive("POPIT\tPetr\r\n");
        QTRY_VERIFY(w.shown());
        QVERIFY(w.itemsSayShown());
    }

    void activityWhileHiddenShowsABalloonAndPlays()
    {
        Window w;
        QTRY_COMPARE(w.window.station().roster().count(), 1);
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

        const int plays = w.sound.plays;
        w.window.menus().mnuSound->trigger();
        QCOMPARE(w.sound.plays, plays + 1);
        QVERIFY(w.window.menus().mnuSound->isChecked());
    }

    void closingRemovesTheIconAndSaysGoodbyeOnce()
    {
        Window w;
        QTRY_COMPARE(w.window.station().roster().count(), 1);
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
