#include "TrayCode.h"

#include "ui/Icons.h"

#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

namespace {
const QString NoBalloon = QStringLiteral("none");
const QString ProductTip = QStringLiteral("Kestrowind 2");
} // namespace

TrayCode::TrayCode(QObject* parent)
    : QObject(parent)
{
}

TrayCode::~TrayCode() = default;

void TrayCode::TrayReset()
{
    m_icon.reset();
    m_inTray = false;
}

void TrayCode::TrayAdd(QWidget* window, QMenu* menu, const QString& text, const QString& title,
                       int seconds)
{
    if (m_inTray || !QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_icon =
        std::make_unique<QSystemTrayIcon>(window ? window->windowIcon() : Icons::application());
    if (m_icon->icon().isNull())
        m_icon->setIcon(Icons::application());
    m_icon->setToolTip(ProductTip);
    m_icon->setContextMenu(menu);
    connect(m_icon.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick)
                    emit restoreRequested();
            });
    m_icon->show();
    m_inTray = true;
    if (text != NoBalloon && title != NoBalloon)
        m_icon->showMessage(title, text, QSystemTrayIcon::NoIcon, seconds * 1000);
}

void TrayCode::TrayBalloon(QWidget* window, QMenu* menu, const QString& text, const QString& title,
                           int seconds)
{
    if (!m_inTray)
        return;
    Q_UNUSED(window);
    Q_UNUSED(menu);
    m_icon->showMessage(title, text, QSystemTrayIcon::NoIcon, seconds * 1000);
}

void TrayCode::TraySetTip(const QString& text)
{
    if (m_inTray)
        m_icon->setToolTip(text);
}

void TrayCode::TrayRemove()
{
    if (!m_inTray)
        return;
    m_icon->hide();
    m_icon.reset();
    m_inTray = false;
}
