#include "TrayIcon.h"

#include "QtTrayIconBackend.h"
#include "gui/common/Icons.h"

#include <QIcon>
#include <QWidget>

namespace {
const QString NoBalloon = QStringLiteral("none");
const QString ProductTip = QStringLiteral("Kestrowind 2");
} // namespace

TrayIcon::TrayIcon(QObject* parent)
    : TrayIcon(std::make_unique<QtTrayIconBackend>(), parent)
{
}

TrayIcon::TrayIcon(std::unique_ptr<TrayIconBackend> backend, QObject* parent)
    : QObject(parent)
    , m_backend(std::move(backend))
{
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

void TrayIcon::TrayReset()
{
    m_balloonTime.stop();
    m_backend->hide();
    m_backend->setContextMenu(nullptr);
    m_wanted = m_inTray = m_unread = false;
}

void TrayIcon::TrayAdd(QWidget* window, QMenu* menu, const QString& text, const QString& title,
                       int seconds)
{
    if (m_wanted)
        return;
    m_wanted = true;
    m_window = window;
    m_menu = menu;
    // Without a notification area the icon waits for one to announce itself.
    if (!m_backend->isAvailable())
        return;
    addIcon();
    showBalloon(text, title, seconds);
}

void TrayIcon::addIcon()
{
    showIcon();
    m_backend->setToolTip(ProductTip);
    m_backend->setContextMenu(m_menu);
    m_backend->show();
    m_inTray = true;
}

void TrayIcon::showIcon()
{
    QIcon icon = m_window ? m_window->windowIcon() : QIcon();
    if (icon.isNull())
        icon = Icons::application();
    m_backend->setIcon(m_unread ? Icons::withUnreadMark(icon) : icon);
}

void TrayIcon::setUnread(bool unread)
{
    if (unread == m_unread || !m_wanted)
        return;
    m_unread = unread;
    if (m_inTray)
        showIcon();
}

void TrayIcon::onAvailabilityChanged()
{
    const bool available = m_backend->isAvailable();
    if (available && m_wanted && !m_inTray) {
        addIcon();
        emit trayAppeared();
    } else if (!available && m_inTray) {
        // The icon stays wanted: the next notification area to start gets it.
        m_inTray = false;
        m_balloonTime.stop();
        emit trayLost();
    }
}

void TrayIcon::TrayBalloon(QWidget* window, QMenu* menu, const QString& text, const QString& title,
                           int seconds)
{
    Q_UNUSED(window);
    Q_UNUSED(menu);
    TrayBalloon(text, title, seconds);
}

void TrayIcon::TrayBalloon(const QString& text, const QString& title, int seconds)
{
    if (m_inTray)
        showBalloon(text, title, seconds);
}

void TrayIcon::TraySetTip(const QString& text)
{
    if (m_inTray)
        m_backend->setToolTip(text);
}

void TrayIcon::TrayRemove()
{
    if (m_wanted)
        TrayReset();
}

void TrayIcon::showBalloon(const QString& text, const QString& title, int seconds)
{
    if (text == NoBalloon || title == NoBalloon)
        return;
    // An entry in the transcript asks for the same balloon up to three times at once; one
    // popup is enough, and a fresh one each time would flicker or pile up in the desktop.
    if (isBalloonShown() && text == m_balloonText && title == m_balloonTitle)
        return;
    m_balloonText = text;
    m_balloonTitle = title;
    m_balloonTime.start(seconds * 1000);
    m_backend->showMessage(title, text, seconds * 1000);
}

void TrayIcon::onClicked(TrayIconBackend::Click click)
{
    // A click can still be queued from an icon that has just been taken away.
    if (m_inTray && click == TrayIconBackend::Click::Double)
        emit restoreRequested();
}
