#include "QtTrayIcon.h"

#include <QIcon>
#include <QMenu>

QtTrayIcon::QtTrayIcon(QObject* parent)
    : TrayIconBackend(parent)
{
    connect(&m_icon, &QSystemTrayIcon::activated, this, &QtTrayIcon::onActivated);
    connect(&m_icon, &QSystemTrayIcon::messageClicked, this, &TrayIconBackend::messageClicked);
    connect(&m_announcements, &TrayAnnouncements::trayMayHaveChanged, this,
            &TrayIconBackend::availabilityChanged);
    m_escapeMessages = TrayAnnouncements::notifiesOverDBus();
}

bool QtTrayIcon::isAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void QtTrayIcon::setIcon(const QIcon& icon)
{
    m_icon.setIcon(icon);
}

void QtTrayIcon::show()
{
    m_icon.show();
}

void QtTrayIcon::hide()
{
    m_icon.hide();
}

void QtTrayIcon::setToolTip(const QString& text)
{
    m_icon.setToolTip(text);
}

void QtTrayIcon::setContextMenu(QMenu* menu)
{
    m_icon.setContextMenu(menu);
}

void QtTrayIcon::showMessage(const QString& title, const QString& text, int msec)
{
    // The texts break lines with a bare carriage return, which notification popups show
    // as a stray glyph or an empty last line.
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    while (shown.endsWith(u'\n'))
        shown.chop(1);
    if (m_escapeMessages)
        shown = shown.toHtmlEscaped();
    m_icon.showMessage(title, shown, QSystemTrayIcon::NoIcon, msec);
}

void QtTrayIcon::onActivated(QSystemTrayIcon::ActivationReason reason)
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
