#pragma once

#include "TrayAnnouncements.h"
#include "TrayIconBackend.h"

#include <QSystemTrayIcon>

// The notification-area icon of the desktop the program runs on.
class QtTrayIconBackend final : public TrayIconBackend {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QtTrayIconBackend)

public:
    explicit QtTrayIconBackend(QObject* parent = nullptr);

    bool isAvailable() const override;
    void setIcon(const QIcon& icon) override;
    void show() override;
    void hide() override;
    void setToolTip(const QString& text) override;
    void setContextMenu(QMenu* menu) override;
    bool supportsMessages() const override;
    void showMessage(const QString& title, const QString& text, int msec) override;

private:
    void onActivated(QSystemTrayIcon::ActivationReason reason);

    QSystemTrayIcon m_icon;
    TrayAnnouncements m_announcements;
    // Notification servers on D-Bus may read markup in a message; peers' text must not be.
    bool m_escapeMessages = false;
};
