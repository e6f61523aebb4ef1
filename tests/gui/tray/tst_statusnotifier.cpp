// The tray icon on a status-notifier panel that starts after the program (the toolkit has then
// settled for no panel), on a private session bus and a screen with no X11 tray.
#include "PrivateBus.h"
#include "gui/tray/StatusNotifierItem.h"
#include "gui/tray/TrayIcon.h"

#include <QApplication>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

namespace {

const QString Watcher = "org.kde.StatusNotifierWatcher";

// The panel's end, telling which items register.
class FakeWatcher final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")

public:
    QStringList items;

public slots:
    void RegisterStatusNotifierItem(const QString& service, const QDBusMessage& message)
    {
        // An item may name its path instead of its bus name.
        items << (service.startsWith(u'/') ? message.service() : service);
    }
};

// Calls the item as the panel does; it answers from this thread, so the events run meanwhile.
QVariant callItem(QDBusConnection panel, const QString& service, const QString& interface,
                  const QString& method, const QVariantList& arguments)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, "/StatusNotifierItem", interface, method);
    call.setArguments(arguments);
    QDBusPendingCall pending = panel.asyncCall(call);
    return QTest::qWaitFor([&pending] { return pending.isFinished(); })
               ? pending.reply().arguments().value(0)
               : QVariant();
}

} // namespace

class tst_StatusNotifier final : public QObject {
    Q_OBJECT

private slots:
    // The icon registers with the panel, and again with a restarted one; it carries the unread
    // mark, and the panel's activation and menu request reach the program.
    void iconOnALatePanel()
    {
        QDBusConnection panel = QDBusConnection::connectToBus(
            qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), "panel");
        FakeWatcher watcher;
        QVERIFY(panel.registerObject("/StatusNotifierWatcher", &watcher,
                                     QDBusConnection::ExportAllSlots));
        QWidget window;
        QMenu menu;
        TrayIcon tray;
        QSignalSpy restore(&tray, &TrayIcon::restoreRequested);
        tray.show(&window, &menu);
        QVERIFY(!tray.isInTray());
        QVERIFY(panel.registerService(Watcher));
        QTRY_VERIFY(watcher.items.size() == 1 && tray.isInTray());
        const QString item = watcher.items[0];

        const auto pixels = [&] {
            QByteArray all;
            const QVariant icon = callItem(panel, item, "org.freedesktop.DBus.Properties", "Get",
                                           {"org.kde.StatusNotifierItem", "IconPixmap"});
            for (const StatusNotifierPixmap& size : qdbus_cast<StatusNotifierPixmaps>(
                     icon.value<QDBusVariant>().variant().value<QDBusArgument>()))
                all += size.pixels;
            return all;
        };
        const QByteArray read = pixels();
        tray.setUnread(true);
        QTRY_VERIFY(!read.isEmpty() && pixels() != read);
        callItem(panel, item, "org.kde.StatusNotifierItem", "Activate", {0, 0});
        QTRY_COMPARE(restore.count(), 1);
        callItem(panel, item, "org.kde.StatusNotifierItem", "ContextMenu", {10, 10});
        QTRY_VERIFY(menu.isVisible());

        QVERIFY(panel.unregisterService(Watcher));
        QTRY_VERIFY(!tray.isInTray());
        QVERIFY(panel.registerService(Watcher));
        QTRY_VERIFY(watcher.items.size() == 2 && tray.isInTray());
    }
};

// The program's session bus is the private one, named before the toolkit looks for it.
int main(int argc, char** argv)
{
    PrivateBus bus;
    if (!bus.isUp())
        return 77; // skipped: no dbus-daemon
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address.toUtf8());
    QApplication app(argc, argv);
    qDBusRegisterMetaType<StatusNotifierPixmap>();
    tst_StatusNotifier test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_statusnotifier.moc"
