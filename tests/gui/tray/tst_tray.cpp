// The tray icon's logic over a recording icon, the notification area's comings and goings, the
// desktop's notices where no balloon can show, sound.
#include "PrivateBus.h"
#include "TrayFakes.h"
#include "gui/tray/Attention.h"
#include "gui/tray/DesktopNotices.h"
#include "gui/tray/TrayAnnouncements.h"
#include "gui/tray/TrayIcon.h"

#include <QAbstractEventDispatcher>
#include <QDBusConnection>
#include <QDir>
#include <QMenu>
#include <QPixmap>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Click = TrayIconBackend::Click;
using Sight = Attention::WindowSight;

// The tray logic over a recording icon, with attention rules; tests set options and place.
struct Tray {
    explicit Tray(std::unique_ptr<DesktopNotices> notices = nullptr)
        : code(std::move(backend), std::move(notices))
    {
        window.setWindowIcon(QPixmap(16, 16));
    }
    void show() { code.show(&window, &menu); }
    void balloon(const QString& text) { code.showBalloon(text, "", std::chrono::milliseconds(5)); }
    void change(const QString& text = "ahoj", const QString& nick = "Petr")
    {
        attention.onTranscriptChanged(nick, text);
    }
    bool iconMarked() const { return icon.icon.cacheKey() != window.windowIcon().cacheKey(); }
    qsizetype balloons() const { return icon.messages.size(); }

    QWidget window;
    QMenu menu;
    std::unique_ptr<FakeTrayIcon> backend = std::make_unique<FakeTrayIcon>();
    FakeTrayIcon& icon = *backend;
    TrayIcon code{std::move(backend)};
    QSignalSpy restore{&code, &TrayIcon::restoreRequested};
    QSignalSpy appeared{&code, &TrayIcon::trayAppeared};
    QSignalSpy lost{&code, &TrayIcon::trayLost};
    CountingSound sound;
    Options options;
    Sight sight = Sight::Active;
    int alerts = 0;
    Attention attention{code, sound, [this] { return sight; }, [this] { return options; },
                        [this] { ++alerts; }};
};

// Balloons that cannot show go to a notification service on a private bus, at the test's time.
struct NoticeTray {
    bool noticed(qsizetype count)
    {
        return QTest::qWaitFor([&] { return service.notices.size() == count; });
    }

    PrivateBus bus;
    FakeNotificationService service;
    std::chrono::steady_clock::time_point now;
    Tray t{std::make_unique<DesktopNotices>(bus.client("program"), [this] { return now; })};
};

} // namespace

class tst_Tray final : public QObject {
    Q_OBJECT

private slots:
    // The icon follows a panel that comes and goes, with no timer while it waits; only the icon in
    // place shows balloons, takes tips and restores the window, even from a queued click.
    void onlyTheIconInPlaceActs()
    {
        Tray t;
        t.icon.available = false;
        t.show();
        t.balloon("vítejte");
        t.sight = Sight::Behind;
        t.change();
        QVERIFY(!t.code.isInTray() && t.icon.shows == 0 && t.balloons() == 0);
        const QObjectList parts = t.code.findChildren<QObject*>() << &t.code;
        for (QObject* part : parts)
            QVERIFY(QAbstractEventDispatcher::instance()->registeredTimers(part).isEmpty());

        t.icon.setAvailable(true);
        t.icon.setAvailable(true); // no news
        QMenu other;
        t.code.show(&t.window, &other); // asked again, nothing changes
        QVERIFY(t.code.isInTray() && t.iconMarked() && t.icon.shown && t.appeared.count() == 1);
        QVERIFY(t.icon.shows == 1 && t.icon.menu == &t.menu);
        const QString productTip = t.icon.toolTip;
        QVERIFY(!productTip.isEmpty());
        for (const Click click : {Click::Single, Click::Right, Click::Other, Click::Double})
            t.icon.click(click);
        t.icon.clickMessage();
        QCOMPARE(t.restore.count(), 2);
        t.attention.onWindowActivated();
        QVERIFY(!t.code.isUnread() && !t.iconMarked());
        t.code.setToolTip(QStringLiteral("jiný"));

        t.icon.setAvailable(false);
        t.balloon("aktivita");
        t.code.setToolTip(QStringLiteral("tip"));
        t.icon.click(Click::Double);
        t.icon.clickMessage();
        QVERIFY(!t.code.isInTray() && t.lost.count() == 1 && t.balloons() == 0);
        QVERIFY(t.restore.count() == 2 && t.icon.toolTip == QStringLiteral("jiný"));
        t.icon.setAvailable(true);
        QVERIFY(t.code.isInTray() && t.appeared.count() == 2);

        t.code.hide();
        t.code.hide();
        t.icon.click(Click::Double);
        t.icon.setAvailable(false);
        t.icon.setAvailable(true);
        QVERIFY(!t.code.isInTray() && !t.icon.shown && t.icon.hides == 1 && t.restore.count() == 2);
        QVERIFY(t.appeared.count() == 2 && t.lost.count() == 1);
        t.show();
        QCOMPARE(t.icon.toolTip, productTip);
    }

    // A balloon replaces the one shown, a repeat while it is up is dropped (the sound restarts).
    void balloonsReplaceEachOtherAndRepeatsAreDropped()
    {
        Tray t;
        t.show();
        t.sight = Sight::Hidden;
        t.options.balloonWhenMinimised = t.options.playSoundWhenMinimised = true;
        t.balloon("vítejte");
        for (int i = 0; i < 3; ++i)
            t.change();
        QVERIFY(t.balloons() == 2 && t.sound.plays == 3);
        QCOMPARE(t.icon.messages.last(), Attention::activityText("Petr", "ahoj"));
        t.change(QStringLiteral("uživatel Jana odešel"), {});
        QCOMPARE(t.icon.messages.last(), Attention::activityText({}, "uživatel Jana odešel"));

        for (int i = 0; i < 3; ++i)
            t.balloon("aktivita");
        QVERIFY(t.balloons() == 4 && t.code.isBalloonShown());
        QTRY_VERIFY(!t.code.isBalloonShown());
        t.balloon("aktivita");
        QCOMPARE(t.balloons(), 5);
        t.code.hide();
        QVERIFY(!t.code.isBalloonShown());
        t.change();
        QVERIFY(t.balloons() == 5 && t.sound.plays == 5);
    }

    // What one change gives for each window place and options, read at each change.
    void oneChangeAsTheOptionsSay_data()
    {
        QTest::addColumn<int>("balloons"); // the tag: window place, then the options ticked
        QTest::addColumn<int>("plays");
        QTest::addColumn<bool>("marked");
        QTest::newRow("starting tooltip playsound playwhenmin") << 0 << 1 << false;
        QTest::newRow("active tooltip playwhenmin") << 0 << 0 << false;
        QTest::newRow("active playsound") << 0 << 1 << false;
        QTest::newRow("behind tooltip playwhenmin") << 0 << 0 << true;
        QTest::newRow("behind playsound") << 0 << 1 << true;
        QTest::newRow("hidden") << 0 << 0 << true;
        QTest::newRow("hidden tooltip") << 1 << 0 << true;
        QTest::newRow("hidden playsound") << 0 << 1 << true;
        QTest::newRow("hidden playwhenmin") << 0 << 1 << true;
        QTest::newRow("hidden tooltip playsound playwhenmin") << 1 << 1 << true;
    }
    void oneChangeAsTheOptionsSay()
    {
        QFETCH(bool, marked);
        const QStringList words = QString::fromLatin1(QTest::currentDataTag()).split(' ');
        Tray t;
        t.show();
        t.sight = Sight(QStringList{"starting", "active", "behind", "hidden"}.indexOf(words[0]));
        t.options.balloonWhenMinimised = words.contains("tooltip");
        t.options.playSound = words.contains("playsound");
        t.options.playSoundWhenMinimised = words.contains("playwhenmin");
        t.change();
        QTEST(int(t.balloons()), "balloons");
        QTEST(t.sound.plays, "plays");
        QVERIFY(t.code.isUnread() == marked && t.iconMarked() == marked);
        QCOMPARE(t.alerts, int(marked));
    }

    // The balloon's second line: who and how the line starts, plain, one line, <= 80 chars.
    void balloonTellsWhoAndHowTheLineStarts_data()
    {
        QTest::addColumn<QString>("nick");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("second");
        const QString x74(74, u'x');
        const auto row = [](const char* name, auto... columns) {
            (QTest::newRow(name) << ... << columns);
        };
        row("nick and line", "Petr", "ahoj", "Petr: ahoj");
        row("breaks and controls", "Pe\rtr", " a\r\nb\tc\u0001d\u2028e  f ", "Pe tr: a b c d e f");
        row("80 stay whole", "Petr", x74, "Petr: " + x74);
        row("81 are cut", "Petr", x74 + "yz", "Petr: " + x74.left(73) + "…");
        row("a long nick too", QString(90, u'n'), "ahoj", QString(79, u'n') + "…");
        row("no half character", "Petr", x74.left(72) + "😀😀😀", "Petr: " + x74.left(72) + "…");
    }
    void balloonTellsWhoAndHowTheLineStarts()
    {
        QFETCH(QString, nick);
        QFETCH(QString, text);
        QFETCH(QString, second);
        const QString firstLine = Attention::activityText({}, {}); // a clearing's
        QVERIFY(firstLine.endsWith(u'\r') && firstLine.count(u'\r') == 1);
        QCOMPARE(Attention::activityText(nick, text), firstLine + second);
    }

    // On a private session bus: a status notifier watcher that comes or goes is announced.
    void statusNotifierWatcherIsAnnounced()
    {
        PrivateBus bus;
        if (!bus.isUp())
            QSKIP("dbus-daemon is not installed");
        QDBusConnection panel = bus.client("panel");
        TrayAnnouncements announcements(bus.client("program"));
        QSignalSpy changed(&announcements, &TrayAnnouncements::trayMayHaveChanged);
        QVERIFY(panel.registerService("org.kde.StatusNotifierWatcher"));
        QTRY_COMPARE(changed.count(), 1);
        QVERIFY(panel.unregisterService("org.kde.StatusNotifierWatcher"));
        QTRY_COMPARE(changed.count(), 2);
    }

    // Where no balloon can show, activity comes as the desktop's notice: one per burst, the
    // balloon's texts, plain whatever the service reads as markup; a click on one of the
    // program's notices brings the window back, while the icon is wanted.
    void noticesStandInForBalloons_data()
    {
        QTest::addColumn<bool>("trayThere");
        QTest::addColumn<QStringList>("capabilities");
        QTest::addColumn<QString>("body");
        QTest::newRow("no tray") << false << QStringList{} << "probíhá aktivita\nPetr: <b>&";
        QTest::newRow("tray without balloons, markup read")
            << true << QStringList{"body-markup"} << "probíhá aktivita\nPetr: &lt;b&gt;&amp;";
    }
    void noticesStandInForBalloons()
    {
        NoticeTray n;
        if (!n.bus.isUp())
            QSKIP("dbus-daemon is not installed");
        QFETCH(QString, body);
        QFETCH(QStringList, capabilities);
        QFETCH(bool, trayThere);
        n.service.capabilities = capabilities;
        Tray& t = n.t;
        t.icon.available = trayThere;
        t.icon.balloons = false;
        t.balloon("zatím ne"); // not wanted yet
        t.show();
        t.balloon("bez služby"); // goes nowhere, and holds nothing up
        QTest::qWait(100);
        QVERIFY(n.service.publish(n.bus.client("desktop")));
        t.code.showBalloon("vítejte\r", "Orlathe", std::chrono::seconds(2));
        QVERIFY(n.noticed(1));
        const FakeNotificationService::Notice welcome = n.service.notices[0];
        QVERIFY(welcome.title == "Orlathe" && welcome.body == "vítejte" && welcome.picture);
        QCOMPARE(welcome.actions.value(0), "default");

        t.sight = Sight::Hidden;
        t.options.balloonWhenMinimised = true;
        n.now += std::chrono::seconds(4);
        for (int i = 0; i < 3; ++i)
            t.change("<b>&");
        QVERIFY(n.noticed(2) && n.service.notices[1].body == body && t.icon.messages.isEmpty());
        n.now += DesktopNotices::ReplaceWithin;
        QTRY_VERIFY(!t.code.isBalloonShown());
        t.change("později");
        QVERIFY(n.noticed(3));
        emit n.service.NotificationClosed(2, 2); // heard before the click
        for (const char* action : {"other", "default"}) {
            emit n.service.ActionInvoked(n.service.lastId + 1, "default");
            emit n.service.ActionInvoked(1, action);
        }
        QTRY_COMPARE(t.restore.count(), 1);
        t.change("zavřeno");
        QVERIFY(n.noticed(4));
        QCOMPARE(n.service.replaced, (QList<uint>{0, 1, 0, 0}));
        t.code.hide();
        emit n.service.ActionInvoked(3, "default");
        t.change("skryto");
        QTest::qWait(50);
        QVERIFY(n.service.notices.size() == 4 && t.restore.count() == 1);
    }

    void playsTheFileOrElseBeepsEveryTime()
    {
        int beeps = 0;
        const auto beep = [&beeps] { ++beeps; };
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sound.wav"));
        WaveFilePlayer missing(path, beep);
        missing.play();
        missing.play();
        QCOMPARE(beeps, 2);

        // A file that is no sound fails only once decoding has been tried.
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(4096, 'x')) &&
                file.flush());
        WaveFilePlayer noise(path, beep);
        noise.play();
        QTRY_COMPARE(beeps, 3);
        noise.play();
        QCOMPARE(beeps, 4);

        WaveFilePlayer shipped(QStringLiteral(KW_SHIPPED_SOUND), beep);
        shipped.play();
        QTRY_VERIFY(shipped.isReady());
        // Quick plays, as one transcript entry gives, restart the one sound.
        shipped.play();
        shipped.play();
        QCOMPARE(beeps, 4);
    }
};

QTEST_MAIN(tst_Tray)
#include "tst_tray.moc"
