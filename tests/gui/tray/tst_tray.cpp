// The tray icon's logic over a recording icon, what an entry's change gives as the options and
// the window's place say, the notification area's comings and goings, and the sound that plays.
#include "TrayFakes.h"
#include "core/app/Platform.h"
#include "gui/tray/Attention.h"
#include "gui/tray/TrayAnnouncements.h"
#include "gui/tray/TrayIcon.h"

#include <QDBusConnection>
#include <QDir>
#include <QMenu>
#include <QPixmap>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Message = FakeTrayIcon::Message;
using Click = TrayIconBackend::Click;
using Sight = Attention::WindowSight;
const QString None = QStringLiteral("none");
const QString Tip = QStringLiteral("Kestrowind 2");
const Message NoBalloon{None, None, 1000};
const Message Welcome{QStringLiteral("Orlathe"), QStringLiteral("vítejte\rOrlathe"), 2000};
const Message Activity{QStringLiteral("informace"), QStringLiteral("probíhá aktivita\r"), 1000};

// The tray logic over a recording icon, with a window and its menu to hand over, and the
// attention rules over it with a counting sound, and options and a window place the test sets.
struct Tray {
    Tray() { window.setWindowIcon(QPixmap(16, 16)); }
    void add(const Message& m) { code.TrayAdd(&window, &menu, m.text, m.title, m.msec / 1000); }
    void balloon(const Message& m) { code.TrayBalloon(m.text, m.title, m.msec / 1000); }

    QWidget window;
    QMenu menu;
    std::unique_ptr<FakeTrayIcon> backend = std::make_unique<FakeTrayIcon>();
    FakeTrayIcon& icon = *backend;
    TrayIcon code{std::move(backend)};
    QSignalSpy restore{&code, &TrayIcon::restoreRequested};
    CountingSound sound;
    Options options;
    Sight sight = Sight::Active;
    int alerts = 0;
    Attention attention{code, sound, [this] { return sight; }, [this] { return options; },
                        [this] { ++alerts; }};

    bool iconMarked() const { return icon.icon.cacheKey() != window.windowIcon().cacheKey(); }
};

} // namespace

class tst_Tray final : public QObject {
    Q_OBJECT

private slots:
    void onlyTheIconInPlaceActs()
    {
        Tray t;
        t.add(NoBalloon);
        QVERIFY(t.code.isInTray() && t.icon.visible());
        QCOMPARE(t.icon.icon.cacheKey(), t.window.windowIcon().cacheKey());
        QCOMPARE(t.icon.toolTip, Tip);
        QCOMPARE(t.icon.menu, &t.menu);
        // A second add changes nothing, its balloon included.
        QMenu other;
        t.code.TrayAdd(&t.window, &other, Welcome.text, Welcome.title, 2);
        QCOMPARE(t.icon.shows, 1);
        QCOMPARE(t.icon.menu, &t.menu);
        QVERIFY(t.icon.messages.isEmpty());
        t.code.TraySetTip(QStringLiteral("jiný"));
        QCOMPARE(t.icon.toolTip, QStringLiteral("jiný"));
        // Only a double click asks for the window.
        for (const Click click : {Click::Single, Click::Right, Click::Other, Click::Double})
            t.icon.click(click);
        QCOMPARE(t.restore.count(), 1);

        t.code.TrayRemove();
        t.code.TrayRemove();
        QVERIFY(!t.code.isInTray() && !t.icon.visible());
        QCOMPARE(t.icon.hides, 1);
        t.balloon(Activity);
        t.code.TraySetTip(QStringLiteral("tip"));
        t.icon.click(Click::Double); // still queued from the removed icon
        QVERIFY(t.icon.messages.isEmpty());
        QCOMPARE(t.icon.toolTip, QStringLiteral("jiný"));
        QCOMPARE(t.restore.count(), 1);
        t.add(NoBalloon);
        QCOMPARE(t.icon.toolTip, Tip);
    }

    void balloonsReplaceEachOtherAndRepeatsAreDropped()
    {
        Tray t;
        t.add(Welcome);
        for (int i = 0; i < 3; ++i)
            t.balloon(Activity);
        QCOMPARE(t.icon.messages, (QList<Message>{Welcome, Activity}));
        QVERIFY(t.icon.shows == 1 && t.icon.hides == 0);
        // Once it has gone, the same balloon comes again; a removed icon takes its balloon along.
        QTRY_VERIFY_WITH_TIMEOUT(!t.code.isBalloonShown(), 3000);
        t.balloon(Activity);
        QCOMPARE(t.icon.messages.size(), 3);
        t.code.TrayRemove();
        QVERIFY(!t.code.isBalloonShown());

        // "none" as text or title means no balloon.
        for (const Message& m : {Message{Welcome.title, None, 2000}, Message{None, Welcome.text}}) {
            t.code.TrayRemove();
            t.add(m);
            t.balloon(m);
        }
        QCOMPARE(t.icon.messages.size(), 3);
    }

    // Where the window is and the options that are on, then what one change gives: balloons,
    // plays, and whether the icon and the window are marked as waiting. The options are read
    // at each change.
    void oneChangeAsTheOptionsSay_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<int>("balloons");
        QTest::addColumn<int>("plays");
        QTest::addColumn<bool>("marked");
        const auto row = [](const char* state, int balloons, int plays, bool marked) {
            QTest::newRow(state) << QString::fromLatin1(state) << balloons << plays << marked;
        };
        row("starting tooltip playsound playwhenmin", 0, 1, false);
        row("active tooltip playwhenmin", 0, 0, false);
        row("active playsound", 0, 1, false);
        row("behind tooltip playwhenmin", 0, 0, true);
        row("behind playsound", 0, 1, true);
        row("hidden", 0, 0, true);
        row("hidden tooltip", 1, 0, true);
        row("hidden playsound", 0, 1, true);
        row("hidden playwhenmin", 0, 1, true);
        row("hidden tooltip playsound playwhenmin", 1, 1, true);
    }

    void oneChangeAsTheOptionsSay()
    {
        QFETCH(QString, state);
        QFETCH(int, balloons);
        QFETCH(int, plays);
        QFETCH(bool, marked);
        const QStringList words = state.split(' ');
        Tray t;
        t.add(NoBalloon);
        const QStringList sights{"starting", "active", "behind", "hidden"};
        t.sight = Sight(sights.indexOf(words.first()));
        t.options.balloonWhenMinimised = words.contains("tooltip");
        t.options.playSound = words.contains("playsound");
        t.options.playSoundWhenMinimised = words.contains("playwhenmin");
        t.attention.onTranscriptChanged(QStringLiteral("Petr"), QStringLiteral("ahoj"));
        QCOMPARE(t.icon.messages.size(), balloons);
        QCOMPARE(t.sound.plays, plays);
        QCOMPARE(t.code.isUnread(), marked);
        QCOMPARE(t.iconMarked(), marked);
        QCOMPARE(t.alerts, int(marked));
    }

    void anEntrysThreeChangesGiveOneBalloonAndRestartTheSound()
    {
        Tray t;
        t.add(NoBalloon);
        t.sight = Sight::Hidden;
        t.options.balloonWhenMinimised = t.options.playSoundWhenMinimised = true;
        for (int i = 0; i < 3; ++i)
            t.attention.onTranscriptChanged(QStringLiteral("Petr"), QStringLiteral("ahoj"));
        const Message first{"Kestrowind 2 informace", Activity.text + "Petr: ahoj", 1000};
        QCOMPARE(t.icon.messages, QList<Message>{first});
        QCOMPARE(t.sound.plays, 3);
        // The next line is news while the balloon is still up.
        t.attention.onTranscriptChanged(QString(), QStringLiteral("uživatel Jana odešel"));
        QCOMPARE(t.icon.messages.size(), 2);
        QCOMPARE(t.icon.messages.last().text, Activity.text + "uživatel Jana odešel");

        // Without the icon there is no balloon, but the sound still plays.
        t.code.TrayRemove();
        t.attention.onTranscriptChanged(QStringLiteral("Petr"), QStringLiteral("znovu"));
        QCOMPARE(t.icon.messages.size(), 2);
        QCOMPARE(t.sound.plays, 5);
    }

    // The balloon's second line: who wrote and how the line starts, as plain text on one line
    // of at most 80 characters.
    void balloonTellsWhoAndHowTheLineStarts_data()
    {
        QTest::addColumn<QString>("nick");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("second");
        const QString x74(74, u'x');
        const struct {
            const char* name;
            QString nick, text, second;
        } rows[] = {
            {"nick and line", "Petr", "ahoj", "Petr: ahoj"},
            {"a clearing", "", "", ""},
            {"breaks and controls", "Pe\rtr", " a\r\nb\tc\u0001d\u2028e  f ", "Pe tr: a b c d e f"},
            {"80 stay whole", "Petr", x74, "Petr: " + x74},
            {"81 are cut", "Petr", x74 + "yz", "Petr: " + x74.left(73) + "…"},
            {"a long nick too", QString(90, u'n'), "ahoj", QString(79, u'n') + "…"},
            {"no half character", "Petr", x74.left(72) + "😀😀😀", "Petr: " + x74.left(72) + "…"},
        };
        for (const auto& row : rows)
            QTest::newRow(row.name) << row.nick << row.text << row.second;
    }

    void balloonTellsWhoAndHowTheLineStarts()
    {
        QFETCH(QString, nick);
        QFETCH(QString, text);
        QFETCH(QString, second);
        QCOMPARE(Attention::activityText(nick, text), Activity.text + second);
        QVERIFY(second.size() <= Attention::PreviewLength);
    }

    // A panel that starts after the program, ends and starts again: the icon follows it as the
    // desktop announces it, nothing asks the desktop again and again in the meantime, and an
    // unread mark waits for it. The balloon leads back to the window as a double click does.
    void iconComesAndGoesWithTheNotificationArea()
    {
        Tray t;
        QSignalSpy appeared(&t.code, &TrayIcon::trayAppeared);
        QSignalSpy lost(&t.code, &TrayIcon::trayLost);
        t.icon.available = false;
        t.add(Welcome);
        t.sight = Sight::Behind;
        t.attention.onTranscriptChanged(QStringLiteral("Petr"), QStringLiteral("ahoj"));
        QVERIFY(!t.code.isInTray() && t.icon.shows == 0 && t.icon.messages.isEmpty());
        const int asked = t.icon.availabilityQueries;
        QTest::qWait(2100);
        QCOMPARE(t.icon.availabilityQueries, asked);

        t.icon.setAvailable(true);
        t.icon.setAvailable(true); // no news
        QVERIFY(t.code.isInTray() && t.iconMarked());
        QVERIFY(appeared.count() == 1 && t.icon.shows == 1 && t.icon.menu == &t.menu);
        t.icon.clickMessage();
        QCOMPARE(t.restore.count(), 1);
        t.attention.onWindowActivated();
        QVERIFY(!t.code.isUnread() && !t.iconMarked());

        t.icon.setAvailable(false);
        t.balloon(Activity);
        t.icon.click(Click::Double);
        t.icon.clickMessage();
        QVERIFY(!t.code.isInTray() && lost.count() == 1 && t.icon.messages.isEmpty());
        QCOMPARE(t.restore.count(), 1);
        t.icon.setAvailable(true);
        QVERIFY(t.code.isInTray() && appeared.count() == 2);

        // A removed icon is not wanted any more: the next tray does not bring it back.
        t.code.TrayRemove();
        t.icon.setAvailable(false);
        t.icon.setAvailable(true);
        QVERIFY(!t.code.isInTray() && appeared.count() == 2 && lost.count() == 1);
    }

    // On a private session bus: a status notifier watcher that comes or goes is announced.
    void statusNotifierWatcherIsAnnounced()
    {
        QProcess daemon;
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--nofork"),
                      QStringLiteral("--print-address")});
        if (!daemon.waitForStarted())
            QSKIP("dbus-daemon is not installed");
        QTRY_VERIFY(daemon.canReadLine());
        const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
        const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
        {
            QDBusConnection program = QDBusConnection::connectToBus(address, "program");
            QDBusConnection panel = QDBusConnection::connectToBus(address, "panel");
            QVERIFY(program.isConnected() && panel.isConnected());
            TrayAnnouncements announcements(program);
            QSignalSpy changed(&announcements, &TrayAnnouncements::trayMayHaveChanged);
            QVERIFY(panel.registerService(watcher));
            QTRY_COMPARE(changed.count(), 1);
            QVERIFY(panel.unregisterService(watcher));
            QTRY_COMPARE(changed.count(), 2);
        }
        QDBusConnection::disconnectFromBus("program");
        QDBusConnection::disconnectFromBus("panel");
        daemon.terminate();
        daemon.waitForFinished();
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
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(4096, 'x')) == 4096);
        file.close();
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

    // The build tree has the sound beside the program, an installation in its data folder.
    void soundIsFoundBesideTheProgramOrInItsDataFolder()
    {
        QTemporaryDir dir;
        const QString bin = dir.filePath(QStringLiteral("bin")), name = QStringLiteral("sound.wav");
        QCOMPARE(Platform::dataFile(name, bin), bin + QLatin1Char('/') + name);
        for (const QString& folder : {bin + QStringLiteral("/" KW_DATA_FROM_PROGRAM), bin}) {
            QFile file(QDir::cleanPath(folder + QLatin1Char('/') + name));
            QVERIFY(QDir().mkpath(folder) && file.open(QIODevice::WriteOnly));
            QCOMPARE(Platform::dataFile(name, bin), file.fileName());
        }
    }
};

QTEST_MAIN(tst_Tray)
#include "tst_tray.moc"
