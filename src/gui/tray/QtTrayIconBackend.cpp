#include "QtTrayIconBackend.h"

#include "DesktopNotices.h"

#include <QIcon>
#include <QMenu>

QtTrayIconBackend::QtTrayIconBackend(QObject* parent)
    : TrayIconBackend(parent)
{
    connect(&m_icon, &QSystemTrayIcon::activated, this, &QtTrayIconBackend::onActivated);
    connect(&m_icon, &QSystemTrayIcon::messageClicked, this, &TrayIconBackend::messageClicked);
    connect(&m_item, &StatusNotifierItem::activated, this, [this] { emit clicked(Click::Double); });
    connect(&m_announcements, &TrayAnnouncements::trayMayHaveChanged, this,
            &QtTrayIconBackend::onTrayMayHaveChanged);
    m_onDBus = TrayAnnouncements::notifiesOverDBus();
    m_usingOwnItem = wantsOwnItem();
}

// The toolkit decides at its first tray icon whether it shows icons on a status notifier
// panel, and keeps to that for the whole run.
bool QtTrayIconBackend::wantsOwnItem() const
{
    return !QSystemTrayIcon::isSystemTrayAvailable() && m_announcements.hasStatusNotifierWatcher();
}

void QtTrayIconBackend::onTrayMayHaveChanged()
{
    // A panel that restarts is a new one: the icon registers with it afresh.
    const bool own = wantsOwnItem();
    if (own != m_usingOwnItem && m_shown) {
        hide();
        m_usingOwnItem = own;
        show();
    }
    m_usingOwnItem = own;
    emit availabilityChanged();
}

bool QtTrayIconBackend::isAvailable() const
{
    return m_usingOwnItem || QSystemTrayIcon::isSystemTrayAvailable();
}

void QtTrayIconBackend::setIcon(const QIcon& icon)
{
    m_icon.setIcon(icon);
    m_item.setIcon(icon);
}

void QtTrayIconBackend::show()
{
    m_shown = true;
    m_usingOwnItem ? m_item.show() : m_icon.show();
}

void QtTrayIconBackend::hide()
{
    m_shown = false;
    m_usingOwnItem ? m_item.hide() : m_icon.hide();
}

void QtTrayIconBackend::setToolTip(const QString& text)
{
    m_icon.setToolTip(text);
    m_item.setToolTip(text);
}

void QtTrayIconBackend::setContextMenu(QMenu* menu)
{
    m_icon.setContextMenu(menu);
    m_item.setContextMenu(menu);
}

// The own item leaves messages to the desktop's notification service.
bool QtTrayIconBackend::supportsMessages() const
{
    return !m_usingOwnItem && QSystemTrayIcon::supportsMessages();
}

void QtTrayIconBackend::showMessage(const QString& title, const QString& text, int msec)
{
    // The texts break lines with a bare carriage return, which notification popups show
    // as a stray glyph or an empty last line.
    QString shown = DesktopNotices::desktopLines(text);
    if (m_onDBus)
        shown = shown.toHtmlEscaped();
    m_icon.showMessage(title, shown, QSystemTrayIcon::NoIcon, msec);
}

void QtTrayIconBackend::onActivated(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        // A status notifier panel has no double click: its activation asks for the window.
        emit clicked(m_onDBus ? Click::Double : Click::Single);
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
