#pragma once

#include <QAbstractNativeEventFilter>
#include <QDBusConnection>
#include <QObject>

#include <memory>

// Tells when a notification area may have come or gone, from what the desktop announces: on
// X11 the MANAGER message of the tray selection and the end of the window that held it, over
// D-Bus the status notifier watcher appearing or leaving. Nothing is polled, so a program that
// waits all day for a panel costs nothing meanwhile.
class TrayAnnouncements final : public QObject, private QAbstractNativeEventFilter {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrayAnnouncements)

public:
    explicit TrayAnnouncements(const QDBusConnection& bus = QDBusConnection::sessionBus(),
                               QObject* parent = nullptr);
    ~TrayAnnouncements() override;

    // True when the desktop's notifications come over D-Bus, whose popups may read markup.
    static bool notifiesOverDBus();
    // A status notifier panel runs, as the bus last told.
    bool hasStatusNotifierWatcher() const { return m_watcher; }

signals:
    // Sent after the toolkit has seen the same event, so asking it now gives the new answer.
    void trayMayHaveChanged();

private:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    void announceLater();

    struct X11Selection;
    std::unique_ptr<X11Selection> m_x11; // none off X11
    bool m_announcing = false;
    bool m_watcher = false;
};
