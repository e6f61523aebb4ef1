// The tray on a real X11 desktop: the icon docks, the welcome balloon shows while the program
// goes on working, minimising hides the window and a double click on the icon restores it.
#include "TrayFakes.h"
#include "app/Autostart.h"
#include "app/SettingsStore.h"
#include "tray/TrayCode.h"
#include "ui/MainMenus.h"
#include "ui/frmchat.h"

#include <QApplication>
#include <QSystemTrayIcon>
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

QWidget* topLevelOfClass(const char* className)
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qstrcmp(widget->metaObject()->className(), className) == 0 && widget->isVisible())
            return widget;
    }
    return nullptr;
}

} // namespace

class tst_TrayDesktop final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // trayer takes a moment to claim the notification area.
        QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10000);
    }

    void iconBalloonMinimiseAndRestore()
    {
        QTemporaryDir config;
        QSettingsStore store(config.path());
        store.write("kestrowind2", "options", "first", "true");
        PlatformAutostart autostart(config.filePath(QStringLiteral("autostart")));
        CountingSound sound;
        TrayCode tray;
        frmchat window({store, autostart, sound, tray,
                        UdpEndpoints{freePort(), QHostAddress(QHostAddress::LocalHost)}});
        QVERIFY(window.Form_Load({}));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QVERIFY(tray.isInTray());
        QTRY_VERIFY(topLevelOfClass("QSystemTrayIconSys"));
        // The balloon is up and the program has already handled its own arrival.
        QTRY_VERIFY(topLevelOfClass("QBalloonTip"));
        // The README's picture of the balloon comes from here (scripts/screenshot.sh).
        if (const QString folder = qEnvironmentVariable("KW_SCREENSHOT_DIR"); !folder.isEmpty())
            topLevelOfClass("QBalloonTip")->grab().save(folder + QStringLiteral("/balloon.png"));
        QTRY_COMPARE(window.station().roster().count(), 1);
        QVERIFY(tray.isBalloonShown());

        window.showMinimized();
        QTRY_VERIFY(!window.isVisible());
        QVERIFY(window.menus().mnu_showwindow->isEnabled());

        QWidget* icon = topLevelOfClass("QSystemTrayIconSys");
        QVERIFY(icon);
        QTest::mouseDClick(icon, Qt::LeftButton);
        QTRY_VERIFY(window.isVisible() && !window.isMinimized());
        QVERIFY(window.menus().mnu_hidewindow->isEnabled());

        window.close();
        QVERIFY(!tray.isInTray());
    }
};

QTEST_MAIN(tst_TrayDesktop)
#include "tst_traydesktop.moc"
