#include "TrayFakes.h"
#include "tray/TrayCode.h"

#include <QMenu>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

namespace {

using Message = FakeTrayIcon::Message;
using Click = TrayIconBackend::Click;
const QString None = QStringLiteral("none");
const QString Tip = QStringLiteral("Kestrowind 2");
const Message NoBalloon{None, None, 1000};
const Message Welcome{QStringLiteral("Orlathe"), QStringLiteral("vítejte\rOrlathe"), 2000};
const Message Activity{QStringLiteral("informace"), QStringLiteral("probíhá aktivita\r"), 1000};

// The tray logic over a recording icon, with a window and its menu to hand over.
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
};

} // namespace

class tst_traycode final : public QObject {
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

    void withoutATrayNothingHappens()
    {
        Tray t;
        t.icon.available = false;
        t.add(Welcome);
        t.balloon(Activity);
        t.code.TraySetTip(QStringLiteral("tip"));
        t.icon.click(Click::Double);
        t.code.TrayRemove();
        QVERIFY(!t.code.isInTray());
        QCOMPARE(t.icon.shows + t.icon.hides + t.icon.messages.size(), 0);
        QVERIFY(t.icon.toolTip.isEmpty());
        QCOMPARE(t.restore.count(), 0);
    }
};

QTEST_MAIN(tst_traycode)
#include "tst_traycode.moc"
