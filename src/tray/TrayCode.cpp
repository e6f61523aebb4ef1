#include "TrayCode.h"

#include "QtTrayIcon.h"
#include "ui/Icons.h"

#include <QIcon>
#include <QWidget>

namespace {
const QString NoBalloon = QStringLiteral("none");
const QString ProductTip = QStringLiteral("Kestrowind 2");
} // namespace

TrayCode::TrayCode(QObject* parent)
    : TrayCode(std::make_unique<QtTrayIcon>(), parent)
{
}

TrayCode::TrayCode(std::unique_ptr<TrayIconBackend> backend, QObject* parent)
    : QObject(parent)
    , m_backend(std::move(backend))
{
    m_balloonTime.setSingleShot(true);
    m_trayLook.setInterval(TrayLookInterval);
    connect(&m_trayLook, &QTimer::timeout, this, [this] {
        if (m_backend->isAvailable())
            addIcon();
    });
    connect(m_backend.get(), &TrayIconBackend::clicked, this, &TrayCode::onClicked);
}

TrayCode::~TrayCode() = default;

void TrayCode::TrayReset()
{
    m_trayLook.stop();
    m_balloonTime.stop();
    m_backend->hide();
    m_backend->setContextMenu(nullptr);
    m_inTray = false;
}

void TrayCode::TrayAdd(QWidget* window, QMenu* menu, const QString& text, const QString& title,
                       int seconds)
{
    if (m_inTray)
        return;
    m_window = window;
    m_menu = menu;
    if (!m_backend->isAvailable()) {
        m_trayLook.start();
        return;
    }
    addIcon();
    showBalloon(text, title, seconds);
}

void TrayCode::addIcon()
{
    m_trayLook.stop();
    const QIcon icon = m_window ? m_window->windowIcon() : QIcon();
    m_backend->setIcon(icon.isNull() ? Icons::application() : icon);
    m_backend->setToolTip(ProductTip);
    m_backend->setContextMenu(m_menu);
    m_backend->show();
    m_inTray = true;
}

void TrayCode::TrayBalloon(QWidget* window, QMenu* menu, const QString& text, const QString& title,
                           int seconds)
{
    Q_UNUSED(window);
    Q_UNUSED(menu);
    TrayBalloon(text, title, seconds);
}

void TrayCode::TrayBalloon(const QString& text, const QString& title, int seconds)
{
    if (m_inTray)
        showBalloon(text, title, seconds);
}

void TrayCode::TraySetTip(const QString& text)
{
    if (m_inTray)
        m_backend->setToolTip(text);
}

void TrayCode::TrayRemove()
{
    m_trayLook.stop();
    if (m_inTray)
        TrayReset();
}

void TrayCode::showBalloon(const QString& text, const QString& title, int seconds)
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

void TrayCode::onClicked(TrayIconBackend::Click click)
{
    // A click can still be queued from an icon that has just been taken away.
    if (m_inTray && click == TrayIconBackend::Click::Double)
        emit restoreRequested();
}
