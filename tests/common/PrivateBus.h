#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QProcess>
#include <QStringList>
#include <QTest>
#include <QVariantMap>

// A session bus of the test's own, so desktop services can be stood in for without a desktop.
// isUp() is false where dbus-daemon is not installed.
struct PrivateBus {
    PrivateBus()
    {
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--nofork"),
                      QStringLiteral("--print-address")});
        if (daemon.waitForStarted() && QTest::qWaitFor([this] { return daemon.canReadLine(); }))
            address = QString::fromUtf8(daemon.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        for (const QString& name : std::as_const(names))
            QDBusConnection::disconnectFromBus(name);
        daemon.terminate();
        daemon.waitForFinished();
    }
    bool isUp() const { return !address.isEmpty(); }
    // A client of its own on the bus, as another program would be.
    QDBusConnection client(const QString& name)
    {
        names << name + address;
        return QDBusConnection::connectToBus(address, names.last());
    }

    QProcess daemon;
    QString address;
    QStringList names;
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
        uint replaces;
        bool picture; // the icon came as image data
    };

    bool publish(QDBusConnection bus)
    {
        return bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                                  QDBusConnection::ExportAllSlots |
                                      QDBusConnection::ExportAllSignals) &&
               bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }

    QList<Notice> notices;
    QStringList capabilities;
    uint lastId = 0;

public slots:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString& /*app*/, uint replaces, const QString& /*icon*/,
                const QString& title, const QString& body, const QStringList& actions,
                const QVariantMap& hints, int /*timeout*/)
    {
        const auto image = hints.value(QStringLiteral("image-data")).value<QDBusArgument>();
        notices.append({title, body, actions, replaces,
                        image.currentSignature() == QLatin1String("(iiibiiay)")});
        return lastId = replaces ? replaces : lastId + 1;
    }

signals:
    void ActionInvoked(uint id, const QString& action);
    void NotificationClosed(uint id, uint reason);
};
