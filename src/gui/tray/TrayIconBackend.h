#pragma once

#include <QObject>
#include <QString>

class QIcon;
class QMenu;

// What the tray logic needs from an icon in the notification area, so that it can be
// driven by a stand-in where there is no desktop.
class TrayIconBackend : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrayIconBackend)

public:
    enum class Click { Single, Double, Right, Other };
    Q_ENUM(Click)

    using QObject::QObject;
    ~TrayIconBackend() override = default;

    // False where the desktop has no notification area at all.
    virtual bool isAvailable() const = 0;
    virtual void setIcon(const QIcon& icon) = 0;
    virtual void show() = 0;
    virtual void hide() = 0;
    virtual void setToolTip(const QString& text) = 0;
    // The platform opens this menu itself on a right click on the icon.
    virtual void setContextMenu(QMenu* menu) = 0;
    // False where the notification area cannot show a message beside the icon.
    virtual bool supportsMessages() const = 0;
    // Replaces any message still on screen.
    virtual void showMessage(const QString& title, const QString& text, int msec) = 0;

signals:
    void clicked(TrayIconBackend::Click click);
    // The user clicked the message on screen.
    void messageClicked();
    // A notification area may have come or gone; isAvailable() tells which. Sent as the
    // desktop announces it, never by polling.
    void availabilityChanged();
};
