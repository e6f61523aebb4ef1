// The tray on a real X11 desktop: docking, late trays, balloons, urgency and wakes.
#include "MainWindowFixture.h"
#include "core/protocol/Messages.h"
#include "gui/window/Main.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QSystemTrayIcon>

#include <xcb/xcb.h>

namespace {

QWidget* topLevelOfClass(const char* className)
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qstrcmp(widget->metaObject()->className(), className) == 0 && widget->isVisible())
            return widget;
    }
    return nullptr;
}

QString windowProperty(const QWidget* window, const char* property)
{
    QProcess xprop;
    xprop.setEnvironment(QProcess::systemEnvironment() << QStringLiteral("LC_ALL=C.UTF-8"));
    xprop.start("xprop", {"-id", QString::number(window->winId()), property});
    xprop.waitForFinished();
    return QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
}

bool demandsAttention(const QWidget* window)
{
    return windowProperty(window, "_NET_WM_STATE").contains("_NET_WM_STATE_DEMANDS_ATTENTION");
}

// "Normal" or "Iconic" while the window manager holds the window; nothing once it let go.
QString managedState(const QWidget* window)
{
    const QString state = windowProperty(window, "WM_STATE");
    return state.section(QStringLiteral("window state: "), 1).section(QLatin1Char('\n'), 0, 0);
}

// The title bar's minimise button: the window manager is asked, the program only hears of it.
void minimiseByWindowManager(const QWidget* window)
{
    xcb_connection_t* connection =
        qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    auto* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, 15, "WM_CHANGE_STATE"), nullptr);
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = xcb_window_t(window->winId());
    event.type = atom->atom;
    event.data.data32[0] = 3; // IconicState
    std::free(atom);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    xcb_send_event(connection, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(connection);
}

// Every balloon shown; the first is also saved for the README when KW_SCREENSHOT_DIR is set.
struct BalloonWatch final : QObject {
    BalloonWatch() { qApp->installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Show && widget && widget->isWindow() &&
            qstrcmp(widget->metaObject()->className(), "QBalloonTip") == 0) {
            for (const QLabel* label : widget->findChildren<QLabel*>()) {
                shown << label->text();
                markup = markup || label->textFormat() != Qt::PlainText;
            }
            const QString folder = qEnvironmentVariable("KW_SCREENSHOT_DIR");
            if (!folder.isEmpty() && !std::exchange(last, widget))
                widget->grab().save(folder + QStringLiteral("/balloon.png"));
            last = widget;
        }
        return false;
    }
    QStringList shown;
    bool markup = false;
    QPointer<QWidget> last;
};

// The main window with the real tray icon, balloons and sound when minimised on.
struct DesktopWindow : MainWindowFixture {
    explicit DesktopWindow(bool totray = false)
        : MainWindowFixture(QHostAddress(QHostAddress::LocalHost), TrayKind::Desktop)
    {
        storeOption("tooltip", "1");
        storeOption("playwhenmin", "1");
        storeOption("totray", totray ? "1" : "0");
    }
    ~DesktopWindow() { window.close(); }
};

enum class Way { TitleBar, HideItem, HiddenStart };

} // namespace

class tst_TrayDesktop final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { prepareApplication(); }

    void init()
    {
        // The first test finds its own way; the others want a tray at once.
        if (qstrcmp(QTest::currentTestFunction(), "iconComesWithATrayThatStartsLater") != 0 &&
            !QSystemTrayIcon::isSystemTrayAvailable()) {
            startTray();
            QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10000);
        }
    }

    void cleanupTestCase()
    {
        m_trayer.terminate();
        m_trayer.waitForFinished();
    }

    // Started hidden without a tray it waits minimised (a wake marks it); trays take it, give back.
    void iconComesWithATrayThatStartsLater()
    {
        if (QSystemTrayIcon::isSystemTrayAvailable())
            QSKIP("this desktop had its tray before the program");
        DesktopWindow w(true);
        QVERIFY(w.start());
        QTRY_VERIFY(w.window.isMinimized() && managedState(&w.window) == "Iconic");
        QVERIFY(w.window.isVisible() && !w.tray.isInTray());
        {
            // Only the keyboard would bring it out of there: it stays, marked.
            QLineEdit other; // to the main window as foreign as another program's
            other.show();
            QVERIFY(QTest::qWaitForWindowActive(&other));
            w.receive("POPIT\tPetr\r\n");
            QTRY_VERIFY(demandsAttention(&w.window));
            QVERIFY(QApplication::activeWindow() == &other && managedState(&w.window) == "Iconic");
        }
        startTray();
        QTRY_VERIFY_WITH_TIMEOUT(w.tray.isInTray(), 10000);
        QTRY_VERIFY(!w.window.isVisible() && w.window.isHiddenToTray());
        QTRY_VERIFY(topLevelOfClass("QSystemTrayIconSys"));
        cleanupTestCase();
        QTRY_VERIFY(!w.tray.isInTray());
        QTRY_VERIFY(w.window.isVisible() && w.window.isMinimized());
        startTray();
        QTRY_VERIFY_WITH_TIMEOUT(w.tray.isInTray(), 10000);
        QTRY_VERIFY(!w.window.isVisible() && w.window.isHiddenToTray());
    }

    // Each way into the tray, several rounds so that an occasional miss shows.
    void everyWayIntoTheTrayDrawsAttention_data()
    {
        QTest::addColumn<Way>("way");
        QTest::addColumn<bool>("byBalloon");
        const std::pair<Way, const char*> ways[] = {{Way::TitleBar, "title bar minimise"},
                                                    {Way::HideItem, "skrýt okno"},
                                                    {Way::HiddenStart, "hidden start"}};
        for (const auto& [way, name] : ways) {
            for (int round = 1; round <= 5; ++round)
                QTest::addRow("%s, round %d", name, round) << way << (round % 2 == 0);
        }
    }

    void everyWayIntoTheTrayDrawsAttention()
    {
        QFETCH(Way, way);
        QFETCH(bool, byBalloon);
        DesktopWindow w(way == Way::HiddenStart);
        BalloonWatch balloons;
        QVERIFY(w.start() && w.tray.isInTray());
        if (way != Way::HiddenStart) {
            QVERIFY(QTest::qWaitForWindowActive(&w.window));
            if (way == Way::TitleBar)
                minimiseByWindowManager(&w.window);
            else
                w.window.menus().options().hideWindow->trigger();
            // Until the window manager has let go of it and said so.
            QTRY_VERIFY(!w.window.isVisible() &&
                        QStringList({"", "Withdrawn"}).contains(managedState(&w.window)));
            QTest::qWait(100);
        }
        QVERIFY(w.window.menus().options().showWindow->isEnabled());

        const int plays = w.sound.plays;
        w.window.transcript()->appendLine(QStringLiteral("ahoj <b>všem</b>\rdruhý řádek"),
                                          LineLook::Chat, QStringLiteral("Petr"));
        QTRY_VERIFY(balloons.shown.join('\n').contains("Petr: ahoj <b>všem</b> druhý řádek"));
        QVERIFY(!balloons.markup && w.sound.plays > plays);
        QVERIFY(w.tray.isUnread() && !w.window.isVisible());

        QWidget* clicked = byBalloon ? balloons.last.data() : topLevelOfClass("QSystemTrayIconSys");
        QVERIFY(clicked);
        byBalloon ? QTest::mouseClick(clicked, Qt::LeftButton)
                  : QTest::mouseDClick(clicked, Qt::LeftButton);
        QVERIFY(QTest::qWaitForWindowActive(&w.window));
        QTRY_VERIFY(!w.window.isMinimized() && !w.window.isHiddenToTray() && !w.tray.isUnread());
    }

    // While the user types elsewhere a line marks the window urgent and unread; a wake also shows
    // it, from behind or from the tray, without taking the keyboard. Activating clears both.
    void whileTheUserTypesElsewhere_data()
    {
        QTest::addColumn<bool>("wake");
        QTest::addColumn<bool>("fromTray");
        QTest::newRow("a line, behind") << false << false;
        QTest::newRow("a wake, behind") << true << false;
        QTest::newRow("a wake, in the tray") << true << true;
    }

    void whileTheUserTypesElsewhere()
    {
        QFETCH(bool, wake);
        QFETCH(bool, fromTray);
        DesktopWindow w;
        QVERIFY(w.start() && w.tray.isBalloonShown());
        QVERIFY(QTest::qWaitForWindowActive(&w.window));
        QTRY_COMPARE(w.station().roster().count(), 1); // lines come from listed stations
        // The caption on the desktop is the window's own, with no application name added.
        QTRY_COMPARE(windowProperty(&w.window, "_NET_WM_NAME"),
                     "_NET_WM_NAME(UTF8_STRING) = \"" + w.window.windowTitle() + '"');
        if (fromTray)
            w.window.menus().options().hideWindow->trigger();
        QLineEdit other;
        other.show();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QVERIFY(!demandsAttention(&w.window) && !w.tray.isUnread());

        w.receive(wake ? QByteArray("POPIT\tPetr\r\n")
                       : Outgoing::chatLine(w.station().ownAddress(), QStringLiteral("ahoj")));
        QTRY_VERIFY(w.window.isVisible() && !w.window.isHiddenToTray() && w.tray.isUnread());
        QTRY_VERIFY(demandsAttention(&w.window));
        QCOMPARE(w.sound.plays > 0, fromTray); // the wake's own line came while it was hidden
        // Whatever focus change the window manager would make has arrived by now.
        QTest::qWait(300);
        QCOMPARE(QApplication::activeWindow(), &other);

        w.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.window));
        QTRY_VERIFY(!demandsAttention(&w.window) && !w.tray.isUnread());
    }

private:
    void startTray()
    {
        QStringList command = QProcess::splitCommand(qEnvironmentVariable("KW_TRAYER"));
        if (command.isEmpty())
            QSKIP("no tray to start (KW_TRAYER)");
        m_trayer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_trayer.start(command.takeFirst(), command);
        QVERIFY(m_trayer.waitForStarted());
    }

    QProcess m_trayer;
};

QTEST_MAIN(tst_TrayDesktop)
#include "tst_traydesktop.moc"
