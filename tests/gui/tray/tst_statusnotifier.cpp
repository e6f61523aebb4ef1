// The tray icon on a status-notifier panel of a private session bus, with no X11 tray: the panel
// started before the program or after it, and restarted, gets the icon with its menu and unread
// mark, and the panel's activation restores the window.
#include "gui/tray/TrayIcon.h"

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingReply>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <cstdio>

namespace {

const QString WatcherName = QStringLiteral("org.kde.StatusNotifierWatcher");

// The panel's end: it tells the test which items register. The program's toolkit asks it and
// waits for the answer, so it answers from a thread of its own.
class FakeWatcher final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

public:
    FakeWatcher()
    {
        moveToThread(&m_thread);
        m_thread.start();
    }
    ~FakeWatcher() override
    {
        // Ends where it began: the bus lets go of it in its own thread.
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_bus.unregisterService(WatcherName);
                m_bus.unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
                moveToThread(QCoreApplication::instance()->thread());
            },
            Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

    bool setUp(bool up)
    {
        bool done = false;
        QMetaObject::invokeMethod(
            this,
            [this, up, &done] {
                done = up ? m_bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), this,
                                                 QDBusConnection::ExportAllContents) &&
                                m_bus.registerService(WatcherName)
                          : m_bus.unregisterService(WatcherName);
                if (!up)
                    m_bus.unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
            },
            Qt::BlockingQueuedConnection);
        return done;
    }

public slots:
    void RegisterStatusNotifierItem(const QString& service, const QDBusMessage& message)
    {
        // An item may name its path instead of its bus name.
        emit itemRegistered(service.startsWith(u'/') ? message.service() : service);
    }
    void RegisterStatusNotifierHost(const QString&) { }

signals:
    void itemRegistered(const QString& service);

private:
    QThread m_thread;
    QDBusConnection m_bus = QDBusConnection::connectToBus(
        qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("panel"));
};

// Calls the item as the panel does, from the test's own connection; never waits blocked, as
// the item answers from this thread.
QDBusMessage callItem(const QString& service, const QString& interface, const QString& method,
                      const QVariantList& arguments, const QString& path = "/StatusNotifierItem")
{
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call.setArguments(arguments);
    QDBusPendingCall pending =
        QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), "caller")
            .asyncCall(call);
    if (!QTest::qWaitFor([&pending] { return pending.isFinished(); }))
        return {};
    return pending.reply();
}

QVariant itemProperty(const QString& service, const QString& name)
{
    const QDBusMessage reply = callItem(service, "org.freedesktop.DBus.Properties", "Get",
                                        {QStringLiteral("org.kde.StatusNotifierItem"), name});
    return reply.arguments().value(0).value<QDBusVariant>().variant();
}

// The pixels of the icon's sizes, one after another.
QByteArray iconPixels(const QString& service)
{
    const auto pixmaps = itemProperty(service, "IconPixmap").value<QDBusArgument>();
    QByteArray all;
    pixmaps.beginArray();
    while (!pixmaps.atEnd()) {
        int width = 0;
        int height = 0;
        QByteArray pixels;
        pixmaps.beginStructure();
        pixmaps >> width >> height >> pixels;
        pixmaps.endStructure();
        all += pixels;
    }
    pixmaps.endArray();
    return all;
}

// The labels of an exported menu's items, depth first.
void collectLabels(const QDBusArgument& item, QStringList& labels)
{
    int id = 0;
    QVariantMap properties;
    item.beginStructure();
    item >> id >> properties;
    labels << properties.value("label").toString();
    item.beginArray();
    while (!item.atEnd()) {
        QDBusVariant child;
        item >> child;
        collectLabels(child.variant().value<QDBusArgument>(), labels);
    }
    item.endArray();
    item.endStructure();
}

} // namespace

class tst_StatusNotifier final : public QObject {
    Q_OBJECT

private slots:
    // The toolkit's own item, with its exported menu.
    void watcherFirst() { iconOnThePanel(false); }
    // Here the toolkit has settled for no panel; the program's own item stands in.
    void watcherLater() { iconOnThePanel(true); }

private:
    void iconOnThePanel(bool late)
    {
        FakeWatcher watcher;
        QStringList items;
        connect(&watcher, &FakeWatcher::itemRegistered, this,
                [&items](const QString& item) { items << item; });
        if (!late)
            QVERIFY(watcher.setUp(true));
        QWidget window;
        QMenu menu;
        menu.addAction(QStringLiteral("zobrazit okno"));
        TrayIcon tray;
        QSignalSpy restore(&tray, &TrayIcon::restoreRequested);
        tray.show(&window, &menu);
        QCOMPARE(tray.isInTray(), !late);
        if (late)
            QVERIFY(watcher.setUp(true));
        QTRY_COMPARE(items.size(), 1);
        QVERIFY(tray.isInTray());
        const QString item = items[0];

        const QString menuPath = itemProperty(item, "Menu").value<QDBusObjectPath>().path();
        if (late) {
            callItem(item, "org.kde.StatusNotifierItem", "ContextMenu", {10, 10});
            QTRY_VERIFY(menu.isVisible());
            menu.hide();
        } else {
            const QDBusMessage layout =
                callItem(item, "com.canonical.dbusmenu", "GetLayout",
                         {0, -1, QStringList{QStringLiteral("label")}}, menuPath);
            QStringList labels;
            collectLabels(layout.arguments().value(1).value<QDBusArgument>(), labels);
            QVERIFY2(labels.contains("zobrazit okno"), qPrintable(labels.join(',')));
        }

        const QByteArray read = iconPixels(item);
        tray.setUnread(true);
        QTRY_VERIFY(!read.isEmpty() && iconPixels(item) != read);

        callItem(item, "org.kde.StatusNotifierItem", "Activate", {0, 0});
        QTRY_COMPARE(restore.count(), 1);

        // A panel that restarts gets the icon again.
        QVERIFY(watcher.setUp(false));
        QTRY_VERIFY(!tray.isInTray());
        QVERIFY(watcher.setUp(true));
        QTRY_COMPARE(items.size(), 2);
        QTRY_VERIFY(tray.isInTray());
    }
};

// The program's session bus is a private one, named before the toolkit looks for it.
int main(int argc, char** argv)
{
    QProcess daemon;
    daemon.start(QStringLiteral("dbus-daemon"),
                 {QStringLiteral("--session"), QStringLiteral("--nofork"),
                  QStringLiteral("--print-address")});
    if (!daemon.waitForStarted() || !daemon.waitForReadyRead()) {
        std::puts("dbus-daemon is not installed; skipped");
        return 77;
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", daemon.readLine().trimmed());
    int result = 0;
    {
        QApplication app(argc, argv);
        tst_StatusNotifier test;
        result = QTest::qExec(&test, argc, argv);
    }
    daemon.terminate();
    daemon.waitForFinished();
    return result;
}

#include "tst_statusnotifier.moc"
