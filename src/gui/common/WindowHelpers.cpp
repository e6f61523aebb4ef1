#include "WindowHelpers.h"

#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QRect>
#include <QString>
#include <QUrl>
#include <QWidget>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

bool openExternally(const QString& target)
{
    const QUrl url = target.startsWith(QLatin1String("www."), Qt::CaseInsensitive)
                         ? QUrl(QLatin1String("http://") + target)
                         : QUrl::fromUserInput(target, QDir::currentPath(), QUrl::AssumeLocalFile);
    return QDesktopServices::openUrl(url);
}

void keepOnTop(QWidget* window)
{
    if (!window || window->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        return;
    // Changing the flags re-creates a shown window, which would otherwise come back hidden.
    const bool shown = window->isVisible();
    const QRect geometry = window->geometry();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (shown) {
        window->setGeometry(geometry);
        window->show();
    }
}

bool onWayland()
{
    return QGuiApplication::platformName() == QLatin1String("wayland");
}

void addDropShadow(QWidget* window)
{
#ifdef Q_OS_WIN
    if (window) {
        const auto handle = reinterpret_cast<HWND>(window->winId());
        SetClassLongPtrW(handle, GCL_STYLE, GetClassLongPtrW(handle, GCL_STYLE) | CS_DROPSHADOW);
    }
#else
    // The window manager draws shadows here, if it wants them.
    Q_UNUSED(window)
#endif
}
