#include "TrayFakes.h"
#include "tray/Attention.h"
#include "tray/TrayCode.h"

#include <QTest>

#include <tuple>

namespace {

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
    void oneChangeAsTheOptionsSay()
    {
        // The window and the options that are on, then the balloons and plays they give.
        const std::tuple<const char*, int, int> rows[] = {
            {"shown tooltip playwhenmin", 0, 0},
            {"shown playsound", 0, 1},
            {"shown tooltip playsound playwhenmin", 0, 1},
            {"minimised", 0, 0},
            {"minimised tooltip", 1, 0},
            {"minimised playsound", 0, 1},
            {"minimised playwhenmin", 0, 1},
            {"minimised tooltip playsound playwhenmin", 1, 1}};
        for (const auto& [row, balloons, plays] : rows) {
            const QStringList words = QString::fromLatin1(row).split(QLatin1Char(' '));
            Setup s;
            s.minimised = words.contains(QStringLiteral("minimised"));
            s.options.tooltip = words.contains(QStringLiteral("tooltip"));
            s.options.playsound = words.contains(QStringLiteral("playsound"));
            s.options.playwhenmin = words.contains(QStringLiteral("playwhenmin"));
            s.attention.chat_Change();
            QVERIFY2(s.icon.messages.size() == balloons && s.sound.plays == plays, row);
        }
    }

    void anEntrysThreeChangesGiveOneBalloonAndRestartTheSound()
    {
        Setup s;
        s.minimised = s.options.tooltip = s.options.playwhenmin = true;
        for (int i = 0; i < 3; ++i)
            s.attention.chat_Change();
        const FakeTrayIcon::Message balloon{QStringLiteral("Kestrowind 2 informace"),
                                            QStringLiteral("probíhá aktivita\r"), 1000};
        QCOMPARE(s.icon.messages, QList<FakeTrayIcon::Message>{balloon});
        QCOMPARE(s.sound.plays, 3);

        // Without the icon there is no balloon, but the sound still plays.
        s.tray.TrayRemove();
        s.attention.chat_Change();
        QCOMPARE(s.icon.messages.size(), 1);
        QCOMPARE(s.sound.plays, 4);
    }

    void optionsAreReadAtEachChange()
    {
        Setup s;
        s.attention.chat_Change();
        s.options.playsound = true;
        s.attention.chat_Change();
        QCOMPARE(s.sound.plays, 1);
    }
};

QTEST_MAIN(tst_attention)
#include "tst_attention.moc"
