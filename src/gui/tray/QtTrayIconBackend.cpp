#include "QtTrayIconBackend.h"

#include "DesktopNotices.h"

#include <QIcon>
#include <QMenu>

QtTrayIconBackend::QtTrayIconBackend(QObject* parent)
    : TrayIconBackend(parent)
{
    connect(&m_icon, &QSystemTrayIcon::activated, this, &QtTrayIconBackend::onActivated);
    connect(&m_icon, &QSystemTrayIcon::messageClicked, this, &TrayIconBackend::messageClicked);
    connect(&m_announcements, &TrayAnnouncements::trayMayHaveChanged, this,
            &TrayIconBackend::availabilityChanged);
    m_escapeMessages = TrayAnnouncements::notifiesOverDBus();
}

bool QtTrayIconBackend::isAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void QtTrayIconBackend::setIcon(const QIcon& icon)
{
    m_icon.setIcon(icon);
}

void QtTrayIconBackend::show()
{
    m_icon.show();
}

void QtTrayIconBackend::hide()
{
    m_icon.hide();
}

void QtTrayIconBackend::setToolTip(const QString& text)
{
    m_icon.setToolTip(text);
}

void QtTrayIconBackend::setContextMenu(QMenu* menu)
{
    m_icon.setContextMenu(menu);
}

bool QtTrayIconBackend::supportsMessages() const
{
    return QSystemTrayIcon::supportsMessages();
}

void QtTrayIconBackend::showMessage(const QString& title, const QString& text, int msec)
{
    // The texts break lines with a bare carriage return, which notification popups show
    // as a stray glyph or an empty last line.
    QString shown = DesktopNotices::desktopLines(text);
    if (m_escapeMessages)
        shown = shown.toHtmlEscaped();
    m_icon.showMessage(title, shown, QSystemTrayIcon::NoIcon, msec);
}

void QtTrayIconBackend::onActivated(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        emit clicked(Click::Single);
        break;
    case QSystemTrayIcon::DoubleClick:
        emit clicked(Click::Double);
        break;
    case QSystemTrayIcon::Context:
        emit clicked(Click::Right);
        break;
    default:
        emit clicked(Click::Other);
        break;
    }
}
