#include "WindowUrgency.h"

#include <QApplication>
#include <QGuiApplication>
#include <QWidget>

#ifdef KW_HAVE_XCB
#include <QByteArray>

#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace {

xcb_atom_t internAtom(xcb_connection_t* connection, const QByteArray& name)
{
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, quint16(name.size()), name.constData()),
            nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_NONE);
}

// Asks the window manager to add or remove the state, as the window manager protocol has
// clients do for a window it holds. False off X11.
bool sendNetWmState(const QWidget& window, bool add)
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection() || !window.windowHandle())
        return false;
    xcb_connection_t* connection = x11->connection();
    static const xcb_atom_t state = internAtom(connection, "_NET_WM_STATE");
    static const xcb_atom_t attention = internAtom(connection, "_NET_WM_STATE_DEMANDS_ATTENTION");
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = xcb_window_t(window.winId());
    event.type = state;
    event.data.data32[0] = add ? 1 : 0; // _NET_WM_STATE_ADD / _REMOVE
    event.data.data32[1] = attention;
    event.data.data32[3] = 1; // from a normal application
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    xcb_send_event(connection, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(connection);
    return true;
}

} // namespace
#endif

WindowUrgency::WindowUrgency(QWidget& window)
    : m_window(window)
{
}

void WindowUrgency::set()
{
    m_set = true;
    send(true);
}

void WindowUrgency::clear()
{
    if (!m_set)
        return;
    m_set = false;
    send(false);
}

void WindowUrgency::send(bool urgent)
{
#ifdef KW_HAVE_XCB
    if (sendNetWmState(m_window, urgent))
        return;
#endif
    // Elsewhere the toolkit's own mark, which the platform takes back on activation.
    if (urgent)
        QApplication::alert(&m_window);
}
