#pragma once

#include "StatusNotifierItem.h"
#include "TrayAnnouncements.h"
#include "TrayIconBackend.h"

#include <QSystemTrayIcon>

// The notification-area icon of the desktop the program runs on: the toolkit's, or the
// program's own status notifier item where a panel of that kind started after the toolkit had
// looked for one.
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
    void onTrayMayHaveChanged();
    bool wantsOwnItem() const;

    QSystemTrayIcon m_icon;
    StatusNotifierItem m_item;
    TrayAnnouncements m_announcements;
    bool m_usingOwnItem = false;
    bool m_shown = false;
    // The icon is a status notifier item on D-Bus: notification servers there may read markup
    // in a message (peers' text must not be), and the panel sends one activation where an X11
    // tray sends clicks.
    bool m_onDBus = false;
};
