#include "TrayFakes.h"
#include "tray/TrayCode.h"

#include <QMenu>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

namespace {

using Message = FakeTrayIcon::Message;
const QString None = QStringLiteral("none");
const QString Tip = QStringLiteral("Kestrowind 2");
const Message Welcome{QStringLiteral("Orlathe"),
                      QStringLiteral("vítejte v aplikaci Kestrowind 2\rOrlathe"), 2000};
const Message Activity{QStringLiteral("Kestrowind 2 informace"),
                       QStringLiteral("probíhá aktivita\r"), 1000};

// The tray logic over a recording icon, with a window and its menu to hand over.
struct Tray {
    Tray()
    {
        QPixmap picture(16, 16);
        picture.fill(Qt::red);
        window.setWindowIcon(QIcon(picture));
    }
    void add(const Message& m = {None, None, 1000})
    {
        code.TrayAdd(&window, &menu, m.text, m.title, m.msec / 1000);
    }
    void balloon(const Message& m)
    {
        code.TrayBalloon(&window, &menu, m.text, m.title, m.msec / 1000);
    }

    QWidget window;
    QMenu menu;
    std::unique_ptr<FakeTrayIcon> backend = std::make_unique<FakeTrayIcon>();
    FakeTrayIcon& icon = *backend;
    TrayCode code{std::move(backend)};
};

} // namespace

class tst_traycode final : public QObject {
    Q_OBJECT

private slots:
    void iconComesOnceAndGoesOnce()
    {
        Tray t;
        t.code.TrayRemove();
        QCOMPARE(t.icon.hides, 0);
        t.add();
        QVERIFY(t.code.isInTray() && t.icon.visible());
        QCOMPARE(t.icon.icon.cacheKey(), t.window.windowIcon().cacheKey());
        QCOMPARE(t.icon.toolTip, Tip);
        QCOMPARE(t.icon.menu, &t.menu);
        QVERIFY(t.icon.messages.isEmpty());

        QMenu other;
        t.code.TrayAdd(&t.window, &other, Welcome.text, Welcome.title, 2);
        t.code.TraySetTip(QStringLiteral("jiný"));
        QCOMPARE(t.icon.toolTip, QStringLiteral("jiný"));
        QCOMPARE(t.icon.shows, 1);
        QCOMPARE(t.icon.menu, &t.menu);
        QVERIFY(t.icon.messages.isEmpty());

        t.code.TrayRemove();
        t.code.TrayRemove();
        QVERIFY(!t.code.isInTray() && !t.icon.visible());
        QCOMPARE(t.icon.hides, 1);
        t.add();
        QCOMPARE(t.icon.toolTip, Tip);
        t.code.TrayReset();
        QVERIFY(!t.code.isInTray() && !t.icon.visible());
    }

    void balloonsReplaceEachOtherOnTheSameIcon()
    {
        Tray t;
        t.add(Welcome);
        t.balloon(Activity);
        for (int i = 0; i < 2; ++i)
            t.balloon(Activity);
        QCOMPARE(t.icon.messages, (QList<Message>{Welcome, Activity}));
        QCOMPARE(t.icon.shows, 1);
        QCOMPARE(t.icon.hides, 0);

        QTRY_VERIFY_WITH_TIMEOUT(!t.code.isBalloonShown(), 3000);
        t.balloon(Activity);
        QCOMPARE(t.icon.messages.size(), 3);
    }

    void noneMarkersMeanNoBalloon()
    {
        Tray t;
        for (const Message& m : {Message{None, None, 1000}, Message{Welcome.title, None, 2000},
                                 Message{None, Welcome.text, 2000}}) {
            t.code.TrayRemove();
            t.add(m);
            t.balloon(m);
            QVERIFY(t.code.isInTray());
        }
        QVERIFY(t.icon.messages.isEmpty());
    }

    void withoutTheIconBalloonsAndTipsAreIgnored()
    {
        Tray t;
        t.balloon(Activity);
        t.code.TraySetTip(QStringLiteral("tip"));
        QVERIFY(!t.code.isInTray());
        QCOMPARE(t.icon.shows, 0);
        t.add(Welcome);
        t.code.TrayRemove();
        QVERIFY(!t.code.isBalloonShown());
        t.balloon(Activity);
        t.code.TraySetTip(QStringLiteral("tip"));
        QVERIFY(!t.icon.visible());
        QCOMPARE(t.icon.messages, QList<Message>{Welcome});
        QCOMPARE(t.icon.toolTip, Tip);
    }

    void onlyADoubleClickOnTheIconAsksForTheWindow()
    {
        Tray t;
        QSignalSpy restore(&t.code, &TrayCode::restoreRequested);
        t.add();
        for (auto click : {TrayIconBackend::Click::Single, TrayIconBackend::Click::Right,
                           TrayIconBackend::Click::Other})
            t.icon.click(click);
        QCOMPARE(restore.count(), 0);
        t.icon.click(TrayIconBackend::Click::Double);
        QCOMPARE(restore.count(), 1);
        t.code.TrayRemove();
        t.icon.click(TrayIconBackend::Click::Double);
        QCOMPARE(restore.count(), 1);
    }

    void withoutATrayNothingHappens()
    {
        Tray t;
        t.icon.available = false;
        QSignalSpy restore(&t.code, &TrayCode::restoreRequested);
        t.add(Welcome);
        t.balloon(Activity);
        t.code.TraySetTip(QStringLiteral("tip"));
        t.icon.click(TrayIconBackend::Click::Double);
        t.code.TrayRemove();
        QVERIFY(!t.code.isInTray());
        QCOMPARE(t.icon.shows + t.icon.hides + t.icon.messages.size(), 0);
        QVERIFY(t.icon.toolTip.isEmpty());
        QCOMPARE(restore.count(), 0);
    }
};

QTEST_MAIN(tst_traycode)
#include "tst_traycode.moc"
