#include "TrayIcon.h"

#include "QtTrayIconBackend.h"
#include "gui/common/Icons.h"

#include <QIcon>
#include <QWidget>

namespace {
const QString ProductTip = QStringLiteral("Kestrowind 2");
} // namespace

TrayIcon::TrayIcon(QObject* parent)
    : TrayIcon(std::make_unique<QtTrayIconBackend>(), std::make_unique<DesktopNotices>(), parent)
{
}

TrayIcon::TrayIcon(std::unique_ptr<TrayIconBackend> backend,
                   std::unique_ptr<DesktopNotices> notices, QObject* parent)
    : QObject(parent)
    , m_backend(std::move(backend))
    , m_notices(std::move(notices))
{
    if (m_notices) {
        connect(m_notices.get(), &DesktopNotices::activated, this, [this] {
            if (m_wanted)
                emit restoreRequested();
        });
    }
    m_balloonTime.setSingleShot(true);
    connect(m_backend.get(), &TrayIconBackend::clicked, this, &TrayIcon::onClicked);
    connect(m_backend.get(), &TrayIconBackend::messageClicked, this, [this] {
        if (m_inTray)
            emit restoreRequested();
    });
    connect(m_backend.get(), &TrayIconBackend::availabilityChanged, this,
            &TrayIcon::onAvailabilityChanged);
}

TrayIcon::~TrayIcon() = default;

void TrayIcon::show(QWidget* window, QMenu* menu)
{
    if (m_wanted)
        return;
    m_wanted = true;
    m_window = window;
    m_menu = menu;
    // Without a notification area the icon waits for one to announce itself.
    if (m_backend->isAvailable())
        putIntoTray();
}

void TrayIcon::hide()
{
    if (!m_wanted)
        return;
    m_balloonTime.stop();
    m_backend->hide();
    m_backend->setContextMenu(nullptr);
    m_wanted = m_inTray = m_unread = false;
}

void TrayIcon::putIntoTray()
{
    updateIcon();
    m_backend->setToolTip(ProductTip);
    m_backend->setContextMenu(m_menu);
    m_backend->show();
    m_inTray = true;
}

QIcon TrayIcon::windowIcon() const
{
    const QIcon icon = m_window ? m_window->windowIcon() : QIcon();
    return icon.isNull() ? Icons::application() : icon;
}

void TrayIcon::updateIcon()
{
    const QIcon icon = windowIcon();
    m_backend->setIcon(m_unread ? Icons::withUnreadMark(icon) : icon);
}

void TrayIcon::setUnread(bool unread)
{
    if (unread == m_unread || !m_wanted)
        return;
    m_unread = unread;
    if (m_inTray)
        updateIcon();
}

void TrayIcon::onAvailabilityChanged()
{
    const bool available = m_backend->isAvailable();
    if (available && m_wanted && !m_inTray) {
        putIntoTray();
        emit trayAppeared();
    } else if (!available && m_inTray) {
        // The icon stays wanted: the next notification area to start gets it.
        m_inTray = false;
        m_balloonTime.stop();
        emit trayLost();
    }
}

void TrayIcon::setToolTip(const QString& text)
{
    if (m_inTray)
        m_backend->setToolTip(text);
}

void TrayIcon::showBalloon(const QString& text, const QString& title,
                           std::chrono::milliseconds duration)
{
    const bool balloon = m_inTray && m_backend->supportsMessages();
    if (!m_wanted || (!balloon && !m_notices))
        return;
    // An entry in the transcript asks for the same balloon up to three times at once; one
    // popup is enough, and a fresh one each time would flicker or pile up in the desktop.
    if (isBalloonShown() && text == m_balloonText && title == m_balloonTitle)
        return;
    m_balloonText = text;
    m_balloonTitle = title;
    m_balloonTime.start(duration);
    if (balloon)
        m_backend->showMessage(title, text, int(duration.count()));
    else
        m_notices->show(title, text, windowIcon(), duration);
}

void TrayIcon::onClicked(TrayIconBackend::Click click)
{
    // A click can still be queued from an icon that has just been taken away.
    if (m_inTray && click == TrayIconBackend::Click::Double)
        emit restoreRequested();
}
