// The tray icon's logic over a recording icon, what an entry's change gives as the options say,
// and the sound that plays.
#include "TrayFakes.h"
#include "app/Platform.h"
#include "tray/Attention.h"
#include "tray/TrayCode.h"

#include <QDir>
#include <QMenu>
#include <QPixmap>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Message = FakeTrayIcon::Message;
using Click = TrayIconBackend::Click;
const QString None = QStringLiteral("none");
const QString Tip = QStringLiteral("Kestrowind 2");
const Message NoBalloon{None, None, 1000};
const Message Welcome{QStringLiteral("Orlathe"), QStringLiteral("vítejte\rOrlathe"), 2000};
const Message Activity{QStringLiteral("informace"), QStringLiteral("probíhá aktivita\r"), 1000};

// The tray logic over a recording icon, with a window and its menu to hand over, and the
// attention rules over it with a counting sound and options the test sets.
struct Tray {
    Tray() { window.setWindowIcon(QPixmap(16, 16)); }
    void add(const Message& m) { code.TrayAdd(&window, &menu, m.text, m.title, m.msec / 1000); }
    void balloon(const Message& m) { code.TrayBalloon(m.text, m.title, m.msec / 1000); }

    QWidget window;
    QMenu menu;
    std::unique_ptr<FakeTrayIcon> backend = std::make_unique<FakeTrayIcon>();
    FakeTrayIcon& icon = *backend;
    TrayCode code{std::move(backend)};
    QSignalSpy restore{&code, &TrayCode::restoreRequested};
    CountingSound sound;
    Options options;
    bool minimised = false;
    Attention attention{code, sound, [this] { return minimised; }, [this] { return options; }};
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

    // The window and the options that are on, then the balloons and plays one change gives;
    // the options are read at each change.
    void oneChangeAsTheOptionsSay_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<int>("balloons");
        QTest::addColumn<int>("plays");
        const auto row = [](const char* state, int balloons, int plays) {
            QTest::newRow(state) << QString::fromLatin1(state) << balloons << plays;
        };
        row("shown tooltip playwhenmin", 0, 0);
        row("shown playsound", 0, 1);
        row("shown tooltip playsound playwhenmin", 0, 1);
        row("minimised", 0, 0);
        row("minimised tooltip", 1, 0);
        row("minimised playsound", 0, 1);
        row("minimised playwhenmin", 0, 1);
        row("minimised tooltip playsound playwhenmin", 1, 1);
    }

    void oneChangeAsTheOptionsSay()
    {
        QFETCH(QString, state);
        QFETCH(int, balloons);
        QFETCH(int, plays);
        const QStringList words = state.split(' ');
        Tray t;
        t.add(NoBalloon);
        t.minimised = words.contains("minimised");
        t.options.tooltip = words.contains("tooltip");
        t.options.playsound = words.contains("playsound");
        t.options.playwhenmin = words.contains("playwhenmin");
        t.attention.chat_Change();
        QCOMPARE(t.icon.messages.size(), balloons);
        QCOMPARE(t.sound.plays, plays);
    }

    void anEntrysThreeChangesGiveOneBalloonAndRestartTheSound()
    {
        Tray t;
        t.add(NoBalloon);
        t.minimised = t.options.tooltip = t.options.playwhenmin = true;
        for (int i = 0; i < 3; ++i)
            t.attention.chat_Change();
        QCOMPARE(t.icon.messages,
                 (QList<Message>{{"Kestrowind 2 informace", Activity.text, 1000}}));
        QCOMPARE(t.sound.plays, 3);

        // Without the icon there is no balloon, but the sound still plays.
        t.code.TrayRemove();
        t.attention.chat_Change();
        QCOMPARE(t.icon.messages.size(), 1);
        QCOMPARE(t.sound.plays, 4);
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
