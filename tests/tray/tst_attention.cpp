#include "TrayFakes.h"
#include "tray/Attention.h"
#include "tray/TrayCode.h"

#include <QTest>

namespace {

const FakeTrayIcon::Message ActivityBalloon{QStringLiteral("Kestrowind 2 informace"),
                                            QStringLiteral("probíhá aktivita\r"), 1000};

// Attention over a tray icon that is in place, a counting sound and options the test sets.
struct Setup {
    Setup() { tray.TrayAdd(nullptr, nullptr, QStringLiteral("none"), QStringLiteral("none"), 1); }

    std::unique_ptr<FakeTrayIcon> backend = std::make_unique<FakeTrayIcon>();
    FakeTrayIcon& icon = *backend;
    TrayCode tray{std::move(backend)};
    CountingSound sound;
    Options options;
    bool minimised = false;
    Attention attention{tray, sound, [this] { return minimised; }, [this] { return options; }};
};

} // namespace

class tst_attention final : public QObject {
    Q_OBJECT

private slots:
    void oneChange_data()
    {
        QTest::addColumn<bool>("minimised");
        QTest::addColumn<bool>("tooltip");
        QTest::addColumn<bool>("playsound");
        QTest::addColumn<bool>("playwhenmin");
        QTest::addColumn<int>("balloons");
        QTest::addColumn<int>("plays");
        // clang-format off
        //                                                    min    tip    sound  whenmin  b  p
        QTest::newRow("shown, nothing")                    << false << false << false << false << 0 << 0;
        QTest::newRow("shown, tooltip")                    << false << true  << false << false << 0 << 0;
        QTest::newRow("shown, playsound")                  << false << false << true  << false << 0 << 1;
        QTest::newRow("shown, playwhenmin")                << false << false << false << true  << 0 << 0;
        QTest::newRow("shown, playsound+playwhenmin")      << false << false << true  << true  << 0 << 1;
        QTest::newRow("shown, tooltip+playsound")          << false << true  << true  << false << 0 << 1;
        QTest::newRow("shown, tooltip+playwhenmin")        << false << true  << false << true  << 0 << 0;
        QTest::newRow("shown, all")                        << false << true  << true  << true  << 0 << 1;
        QTest::newRow("minimised, nothing")                << true  << false << false << false << 0 << 0;
        QTest::newRow("minimised, tooltip")                << true  << true  << false << false << 1 << 0;
        QTest::newRow("minimised, playsound")              << true  << false << true  << false << 0 << 1;
        QTest::newRow("minimised, playwhenmin")            << true  << false << false << true  << 0 << 1;
        QTest::newRow("minimised, playsound+playwhenmin")  << true  << false << true  << true  << 0 << 1;
        QTest::newRow("minimised, tooltip+playsound")      << true  << true  << true  << false << 1 << 1;
        QTest::newRow("minimised, tooltip+playwhenmin")    << true  << true  << false << true  << 1 << 1;
        QTest::newRow("minimised, all")                    << true  << true  << true  << true  << 1 << 1;
        // clang-format on
    }
    void oneChange()
    {
        QFETCH(bool, minimised);
        QFETCH(bool, tooltip);
        QFETCH(bool, playsound);
        QFETCH(bool, playwhenmin);
        QFETCH(int, balloons);
        QFETCH(int, plays);
        Setup s;
        s.minimised = minimised;
        s.options.tooltip = tooltip;
        s.options.playsound = playsound;
        s.options.playwhenmin = playwhenmin;

        s.attention.chat_Change();
        QCOMPARE(s.sound.plays, plays);
        QCOMPARE(s.icon.messages.size(), balloons);
        if (balloons)
            QCOMPARE(s.icon.messages.first(), ActivityBalloon);
    }

    void anEntrysThreeChangesGiveOneBalloonAndRestartTheSound()
    {
        Setup s;
        s.minimised = true;
        s.options.tooltip = true;
        s.options.playwhenmin = true;
        for (int i = 0; i < 3; ++i)
            s.attention.chat_Change();
        QCOMPARE(s.icon.messages.size(), 1);
        QCOMPARE(s.sound.plays, 3);

        // Without the icon there is no balloon, but the sound still plays.
        s.tray.TrayRemove();
        s.attention.chat_Change();
        QCOMPARE(s.icon.messages.size(), 1);
        QCOMPARE(s.sound.plays, 4);
    }

    void optionsAreReadAtEachChangeButNotForTheMenusPlay()
    {
        Setup s;
        s.attention.playOnce();
        QCOMPARE(s.sound.plays, 1);
        s.attention.chat_Change();
        s.options.playsound = true;
        s.attention.chat_Change();
        QCOMPARE(s.sound.plays, 2);
        QVERIFY(s.icon.messages.isEmpty());
    }
};

QTEST_MAIN(tst_attention)
#include "tst_attention.moc"
