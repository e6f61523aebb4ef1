#include "TrayAnnouncements.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusServiceWatcher>
#include <QGuiApplication>

#ifdef KW_HAVE_XCB
#include <QByteArray>

#include <cstdlib>
#include <xcb/xcb.h>
#endif

namespace {
const QString StatusNotifierWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
} // namespace

#ifdef KW_HAVE_XCB

namespace {

template<typename Reply> using XcbReply = std::unique_ptr<Reply, decltype(&std::free)>;
template<typename Reply> XcbReply<Reply> owned(Reply* reply)
{
    return XcbReply<Reply>(reply, &std::free);
}

xcb_atom_t internAtom(xcb_connection_t* connection, const QByteArray& name)
{
    const auto reply = owned(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, quint16(name.size()), name.constData()),
        nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_NONE);
}

// Adds to what this client already hears from the window; the toolkit shares the connection
// and may listen there too. False when the window has gone meanwhile.
bool listenForStructure(xcb_connection_t* connection, xcb_window_t window)
{
    const auto attributes = owned(xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, window), nullptr));
    if (!attributes)
        return false;
    const quint32 mask = attributes->your_event_mask | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    const auto error =
        owned(xcb_request_check(connection, xcb_change_window_attributes_checked(
                                                connection, window, XCB_CW_EVENT_MASK, &mask)));
    return !error;
}

} // namespace

// The selection "_NET_SYSTEM_TRAY_S<screen>" that a notification area holds while it runs.
struct TrayAnnouncements::X11Selection {
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = XCB_NONE;
    xcb_atom_t manager = XCB_NONE;
    xcb_atom_t selection = XCB_NONE;
    xcb_window_t owner = XCB_NONE;

    static std::unique_ptr<X11Selection> open()
    {
        auto* x11 =
            qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
        if (!x11 || !x11->connection())
            return nullptr;
        auto result = std::make_unique<X11Selection>();
        result->connection = x11->connection();
        // The toolkit opened the display that DISPLAY names; its screen is the default one.
        int screen = 0;
        char* host = nullptr;
        int display = 0;
        if (xcb_parse_display(nullptr, &host, &display, &screen) == 0)
            screen = 0;
        std::free(host);
        xcb_screen_iterator_t roots = xcb_setup_roots_iterator(xcb_get_setup(result->connection));
        for (int i = 0; i < screen && roots.rem > 1; ++i)
            xcb_screen_next(&roots);
        if (!roots.rem)
            return nullptr;
        result->root = roots.data->root;
        result->manager = internAtom(result->connection, "MANAGER");
        result->selection =
            internAtom(result->connection, "_NET_SYSTEM_TRAY_S" + QByteArray::number(screen));
        if (result->manager == XCB_NONE || result->selection == XCB_NONE)
            return nullptr;
        // A new manager announces itself to the root window's structure listeners.
        listenForStructure(result->connection, result->root);
        result->followOwner();
        return result;
    }

    // Finds who holds the selection now, and listens for that window's end.
    void followOwner()
    {
        const auto reply = owned(xcb_get_selection_owner_reply(
            connection, xcb_get_selection_owner(connection, selection), nullptr));
        owner = reply ? reply->owner : xcb_window_t(XCB_NONE);
        if (owner != XCB_NONE && !listenForStructure(connection, owner))
            owner = XCB_NONE;
        xcb_flush(connection);
    }

    bool announces(const xcb_generic_event_t* event) const
    {
        switch (event->response_type & 0x7f) {
        case XCB_CLIENT_MESSAGE: {
            const auto* message = reinterpret_cast<const xcb_client_message_event_t*>(event);
            return message->window == root && message->type == manager && message->format == 32 &&
                   message->data.data32[1] == selection;
        }
        case XCB_DESTROY_NOTIFY:
            return owner != XCB_NONE &&
                   reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window == owner;
        default:
            return false;
        }
    }
};

#else

struct TrayAnnouncements::X11Selection {
    static std::unique_ptr<X11Selection> open() { return nullptr; }
    void followOwner() { }
};

#endif

TrayAnnouncements::TrayAnnouncements(const QDBusConnection& bus, QObject* parent)
    : QObject(parent)
    , m_x11(X11Selection::open())
{
    if (m_x11)
        QCoreApplication::instance()->installNativeEventFilter(this);
    // Without a session bus the watcher simply never hears anything.
    auto* watcher = new QDBusServiceWatcher(StatusNotifierWatcher, bus,
                                            QDBusServiceWatcher::WatchForRegistration |
                                                QDBusServiceWatcher::WatchForUnregistration,
                                            this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, [this] {
        m_watcher = true;
        announceLater();
    });
    connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
        m_watcher = false;
        announceLater();
    });
    // The bus itself answers at once.
    m_watcher = bus.isConnected() && bus.interface()->isServiceRegistered(StatusNotifierWatcher);
}

TrayAnnouncements::~TrayAnnouncements() = default;

bool TrayAnnouncements::notifiesOverDBus()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(StatusNotifierWatcher))
        return false;
    // The toolkit takes the D-Bus way when a host was there at its first tray icon.
    QDBusInterface watcher(StatusNotifierWatcher, QStringLiteral("/StatusNotifierWatcher"),
                           StatusNotifierWatcher, bus);
    return watcher.isValid() && watcher.property("IsStatusNotifierHostRegistered").toBool();
}

bool TrayAnnouncements::nativeEventFilter(const QByteArray& eventType, void* message,
                                          qintptr* /*result*/)
{
#ifdef KW_HAVE_XCB
    if (eventType == "xcb_generic_event_t" &&
        m_x11->announces(static_cast<const xcb_generic_event_t*>(message)))
        announceLater();
#else
    Q_UNUSED(eventType);
    Q_UNUSED(message);
#endif
    return false;
}

// The filter sees an event before the toolkit does; the toolkit's own view of the tray is
// up to date once the event loop comes round again.
void TrayAnnouncements::announceLater()
{
    if (m_announcing)
        return;
    m_announcing = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_announcing = false;
            if (m_x11)
                m_x11->followOwner();
            emit trayMayHaveChanged();
        },
        Qt::QueuedConnection);
}
