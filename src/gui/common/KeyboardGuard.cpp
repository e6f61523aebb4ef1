#include "KeyboardGuard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

KeyboardGuard::KeyboardGuard(QWidget* window, std::chrono::milliseconds delay)
    : QObject(window)
    , m_window(window)
    , m_delay(delay)
{
    arm();
    // Keys go to the focused control, never to the window itself: only the application
    // sees them all before they arrive.
    qApp->installEventFilter(this);
}

KeyboardGuard::~KeyboardGuard()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

void KeyboardGuard::arm()
{
    m_armed.start();
    m_freshPress = false;
}

bool KeyboardGuard::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::WindowActivate:
        if (watched == m_window && !m_clicked)
            arm();
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
        break;
    default:
        return false;
    }
    const auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != m_window || m_clicked)
        return false;
    if (event->type() == QEvent::MouseButtonPress) {
        m_clicked = true;
        return false;
    }
    if (event->type() == QEvent::Shortcut) // a mnemonic or a key sequence: never held
        return m_armed.elapsed() < m_delay.count();
    if (!drops(*static_cast<QKeyEvent*>(event)))
        return false;
    // An accepted override makes the key an ordinary press, which is then dropped too: no
    // shortcut of the window fires on it.
    if (event->type() == QEvent::ShortcutOverride)
        event->accept();
    return true;
}

bool KeyboardGuard::drops(const QKeyEvent& key)
{
    if (m_armed.elapsed() < m_delay.count())
        return true;
    if (key.isAutoRepeat())
        return !m_freshPress;
    if (key.type() != QEvent::KeyRelease)
        m_freshPress = true;
    return false;
}

void showWithoutFocus(QWidget* window)
{
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    new KeyboardGuard(window);
    window->show();
}
