#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QMenu;
class QSystemTrayIcon;
class QWidget;

// The program's icon in the notification area: the way back to a hidden window, and the
// place for short balloons. Where the desktop has no tray, every call does nothing.
class TrayCode final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrayCode)

public:
    explicit TrayCode(QObject* parent = nullptr);
    ~TrayCode() override;

    // Forgets any icon.
    void TrayReset();
    // Adds the icon with "menu" on its right button; text and title other than "none" show a
    // balloon for the given seconds. Returns at once: a balloon never holds up the program.
    void TrayAdd(QWidget* window, QMenu* menu, const QString& text, const QString& title,
                 int seconds);
    void TrayBalloon(QWidget* window, QMenu* menu, const QString& text, const QString& title,
                     int seconds);
    void TraySetTip(const QString& text);
    void TrayRemove();

    bool isInTray() const { return m_inTray; }

signals:
    // A double click on the icon asks for the window back.
    void restoreRequested();

private:
    std::unique_ptr<QSystemTrayIcon> m_icon;
    bool m_inTray = false;
};
