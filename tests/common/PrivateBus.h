#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QProcess>
#include <QVariantMap>

// A session bus of the test's own (isUp() false where dbus-daemon is missing), for stand-ins of
// desktop services. Needs no application object, so it can come before the toolkit's.
struct PrivateBus {
    PrivateBus()
    {
        daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        if (daemon.waitForStarted() && daemon.waitForReadyRead())
            address = QString::fromUtf8(daemon.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        daemon.terminate();
        daemon.waitForFinished();
    }
    bool isUp() const { return !address.isEmpty(); }
    // A connection of its own, as another program has.
    QDBusConnection client(const QString& name) const
    {
        return QDBusConnection::connectToBus(address, name + address);
    }

    QProcess daemon;
    QString address;
};

// The desktop's notification service, recording what it is asked to show.
class FakeNotificationService final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Notice {
        QString title;
        QString body;
        QStringList actions;
        bool picture; // the icon came as image data
    };
    bool publish(QDBusConnection bus)
    {
        return bus.registerObject("/org/freedesktop/Notifications", this,
                                  QDBusConnection::ExportAllContents) &&
               bus.registerService("org.freedesktop.Notifications");
    }

    QList<Notice> notices;
    QList<uint> replaced; // what each notice replaced
    QStringList capabilities;
    uint lastId = 0;

public slots:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString&, uint replaces, const QString&, const QString& title,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int)
    {
        const QString image = hints.value("image-data").value<QDBusArgument>().currentSignature();
        notices.append({title, body, actions, image == "(iiibiiay)"});
        replaced << replaces;
        return lastId = replaces ? replaces : lastId + 1;
    }

signals:
    void ActionInvoked(uint id, const QString& action);
    void NotificationClosed(uint id, uint reason);
};
