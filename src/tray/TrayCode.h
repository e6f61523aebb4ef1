#pragma once

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
// place for short balloons. Where the desktop has no tray, every call does nothing, but the
// icon comes as soon as a notification area does (a panel that starts after the program).
class TrayCode final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrayCode)

public:
    // How often a wanted icon looks for a notification area that is not there yet.
    static constexpr std::chrono::milliseconds TrayLookInterval{2000};

    // Uses the desktop's own notification area.
    explicit TrayCode(QObject* parent = nullptr);
    explicit TrayCode(std::unique_ptr<TrayIconBackend> backend, QObject* parent = nullptr);
    ~TrayCode() override;

    // Takes any icon away and forgets it.
    void TrayReset();
    // Adds the icon with "menu" on its right button; text and title other than "none" show a
    // balloon for the given seconds. Returns at once: a balloon never holds up the program.
    void TrayAdd(QWidget* window, QMenu* menu, const QString& text, const QString& title,
                 int seconds);
    // The icon already knows its window and menu; those arguments are kept for the callers.
    void TrayBalloon(QWidget* window, QMenu* menu, const QString& text, const QString& title,
                     int seconds);
    void TrayBalloon(const QString& text, const QString& title, int seconds);
    void TraySetTip(const QString& text);
    void TrayRemove();

    bool isInTray() const { return m_inTray; }
    bool isBalloonShown() const { return m_balloonTime.isActive(); }

signals:
    // A double click on the icon asks for the window back.
    void restoreRequested();

private:
    void addIcon();
    void showBalloon(const QString& text, const QString& title, int seconds);
    void onClicked(TrayIconBackend::Click click);

    std::unique_ptr<TrayIconBackend> m_backend;
    bool m_inTray = false;
    QPointer<QWidget> m_window;
    QPointer<QMenu> m_menu;
    QTimer m_trayLook; // runs while the icon is wanted but has no notification area
    // The balloon on screen, so that the same one asked for again is not shown twice.
    QTimer m_balloonTime;
    QString m_balloonText;
    QString m_balloonTitle;
};
