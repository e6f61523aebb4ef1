// The tray on a real X11 desktop: the icon docks, the welcome balloon shows while the program
// goes on working, minimising hides the window and a double click on the icon restores it.
// The captions are checked as the window system has them.
#include "MainWindowFixture.h"
#include "app/Main.h"
#include "protocol/Messages.h"

#include <QProcess>
#include <QSystemTrayIcon>

namespace {

QWidget* topLevelOfClass(const char* className)
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qstrcmp(widget->metaObject()->className(), className) == 0 && widget->isVisible())
            return widget;
    }
    return nullptr;
}

// What the window system shows as the window's caption; the toolkit may add to windowTitle().
QString systemCaption(const QWidget* window)
{
    QProcess xprop;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    xprop.setProcessEnvironment(environment);
    xprop.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window->winId()),
                                          QStringLiteral("_NET_WM_NAME")});
    xprop.waitForFinished();
    // _NET_WM_NAME(UTF8_STRING) = "caption"
    const QString answer = QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
    return answer.section(QLatin1Char('"'), 1).chopped(1);
}

// Notices the balloon as it is shown. The README's picture of it is taken here too
// (scripts/screenshot.sh sets KW_SCREENSHOT_DIR).
struct BalloonWatch final : QObject {
    BalloonWatch() { qApp->installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Show && widget && widget->isWindow() &&
            qstrcmp(widget->metaObject()->className(), "QBalloonTip") == 0) {
            seen = true;
            if (const QString folder = qEnvironmentVariable("KW_SCREENSHOT_DIR"); !folder.isEmpty())
                widget->grab().save(folder + QStringLiteral("/balloon.png"));
        }
        return false;
    }

    bool seen = false;
};

} // namespace

class tst_TrayDesktop final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        prepareApplication();
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
                        UdpEndpoints{freeUdpPort(), QHostAddress(QHostAddress::LocalHost)}});
        // Seen whenever it comes up, however briefly: a busy machine may not poll in time.
        BalloonWatch balloon;
        QVERIFY(window.Form_Load({}));
        // The start-up has returned while the welcome balloon is still up.
        QVERIFY(tray.isBalloonShown());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QVERIFY(tray.isInTray());
        QTRY_VERIFY(topLevelOfClass("QSystemTrayIconSys"));
        QTRY_VERIFY(balloon.seen);
        QTRY_COMPARE(window.station().roster().count(), 1);
        QTRY_COMPARE(systemCaption(&window), QStringLiteral("Kestrowind "));

        QUdpSocket peer;
        peer.writeDatagram(*Framing::framePacket(Outgoing::messageBox("10.0.0.7", "pc12", "ahoj")),
                           QHostAddress::LocalHost, window.station().port());
        QTRY_VERIFY(window.findChild<QMessageBox*>());
        QTRY_COMPARE(systemCaption(window.findChild<QMessageBox*>()),
                     QStringLiteral("zpráva od: pc12 [10.0.0.7]"));

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
