#pragma once

#include "DesktopNotices.h"
#include "TrayIconBackend.h"

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <memory>

// The program's icon in the notification area: the way back to a hidden window, and the
// place for short balloons. Where the desktop has no tray, the icon comes as soon as a
// notification area announces itself (a panel that starts after the program), and goes with
// it; meanwhile, and in a tray that shows no balloons, the balloons become the desktop's
// notices.
class TrayIcon final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrayIcon)

public:
    // Uses the desktop's own notification area and notification service.
    explicit TrayIcon(QObject* parent = nullptr);
    // Without "notices", balloons that no tray can show are dropped.
    explicit TrayIcon(std::unique_ptr<TrayIconBackend> backend,
                      std::unique_ptr<DesktopNotices> notices = nullptr, QObject* parent = nullptr);
    ~TrayIcon() override;

    // Wants the icon in the notification area, with "menu" on its right button and the
    // window's icon: it shows now, or as soon as a notification area announces itself. Asked
    // again while wanted, nothing changes.
    void show(QWidget* window, QMenu* menu);
    // Takes the icon away and forgets it, the unread mark with it: a notification area that
    // starts later does not bring it back.
    void hide();
    // A balloon beside the icon for the given time, or the desktop's notice where the tray
    // cannot show one; only while the icon is wanted. Returns at once: a balloon never holds up
    // the program.
    void showBalloon(const QString& text, const QString& title, std::chrono::milliseconds duration);
    void setToolTip(const QString& text);

    // The icon shows that lines came in which the user has not seen yet.
    void setUnread(bool unread);

    bool isInTray() const { return m_inTray; }
    bool isUnread() const { return m_unread; }
    bool isBalloonShown() const { return m_balloonTime.isActive(); }

signals:
    // A double click on the icon or a click on its balloon or notice asks for the window back.
    void restoreRequested();
    // A notification area started after the icon was wanted, and the icon is in it now.
    void trayAppeared();
    // The notification area has gone, and the icon with it, until another one comes.
    void trayLost();

private:
    void putIntoTray();
    void updateIcon();
    void onClicked(TrayIconBackend::Click click);
    void onAvailabilityChanged();

    QIcon windowIcon() const;

    std::unique_ptr<TrayIconBackend> m_backend;
    std::unique_ptr<DesktopNotices> m_notices;
    bool m_wanted = false; // shown and not hidden since, whether a tray is there or not
    bool m_inTray = false;
    bool m_unread = false;
    QPointer<QWidget> m_window;
    QPointer<QMenu> m_menu;
    // The balloon on screen, so that the same one asked for again is not shown twice. Like any
    // timer of the icon, a child: nothing runs while the icon waits for a tray.
    QTimer m_balloonTime{this};
    QString m_balloonText;
    QString m_balloonTitle;
};
