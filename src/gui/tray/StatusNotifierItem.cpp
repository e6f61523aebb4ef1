#include "StatusNotifierItem.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QIcon>
#include <QImage>
#include <QMenu>
#include <QtEndian>

#include <atomic>

namespace {
const QString Watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString ItemPath = QStringLiteral("/StatusNotifierItem");
constexpr int Sizes[] = {16, 22, 32, 48};

std::atomic_int lastItem{0};
} // namespace

QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierPixmap& pixmap)
{
    argument.beginStructure();
    argument << pixmap.width << pixmap.height << pixmap.pixels;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierPixmap& pixmap)
{
    argument.beginStructure();
    argument >> pixmap.width >> pixmap.height >> pixmap.pixels;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierToolTip& tip)
{
    argument.beginStructure();
    argument << tip.iconName << tip.icon << tip.title << tip.text;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierToolTip& tip)
{
    argument.beginStructure();
    argument >> tip.iconName >> tip.icon >> tip.title >> tip.text;
    argument.endStructure();
    return argument;
}

StatusNotifierItem::StatusNotifierItem(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_service(QStringLiteral("org.kde.StatusNotifierItem-%1-%2")
                    .arg(QCoreApplication::applicationPid())
                    .arg(100 + ++lastItem)) // clear of the numbers the toolkit's own icons take
{
    qDBusRegisterMetaType<StatusNotifierPixmap>();
    qDBusRegisterMetaType<StatusNotifierPixmaps>();
    qDBusRegisterMetaType<StatusNotifierToolTip>();
}

StatusNotifierItem::~StatusNotifierItem()
{
    hide();
}

void StatusNotifierItem::setIcon(const QIcon& icon)
{
    m_pixmaps.clear();
    for (const int size : Sizes) {
        const QImage image = icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
        if (image.isNull())
            continue;
        QByteArray pixels(image.sizeInBytes(), Qt::Uninitialized);
        const auto* from = reinterpret_cast<const quint32*>(image.constBits());
        auto* to = reinterpret_cast<quint32*>(pixels.data());
        for (qsizetype i = 0; i < image.sizeInBytes() / 4; ++i)
            to[i] = qToBigEndian(from[i]);
        m_pixmaps.append({image.width(), image.height(), pixels});
    }
    if (m_shown)
        emit NewIcon();
}

void StatusNotifierItem::setToolTip(const QString& text)
{
    m_toolTip = text;
    if (m_shown)
        emit NewToolTip();
}

void StatusNotifierItem::setContextMenu(QMenu* menu)
{
    m_menu = menu;
}

void StatusNotifierItem::show()
{
    if (m_shown || !m_bus.isConnected())
        return;
    m_shown = m_bus.registerObject(ItemPath, this,
                                   QDBusConnection::ExportScriptableContents |
                                       QDBusConnection::ExportAllProperties);
    if (!m_shown)
        return;
    m_bus.registerService(m_service);
    registerWithWatcher();
}

void StatusNotifierItem::hide()
{
    if (!m_shown)
        return;
    m_shown = false;
    m_bus.unregisterService(m_service);
    m_bus.unregisterObject(ItemPath);
}

// Answered later or not at all: a watcher that is not there costs nothing.
void StatusNotifierItem::registerWithWatcher()
{
    if (!m_shown)
        return;
    QDBusMessage call =
        QDBusMessage::createMethodCall(Watcher, QStringLiteral("/StatusNotifierWatcher"), Watcher,
                                       QStringLiteral("RegisterStatusNotifierItem"));
    call << m_service;
    m_bus.asyncCall(call);
}

void StatusNotifierItem::Activate(int /*x*/, int /*y*/)
{
    emit activated();
}

void StatusNotifierItem::SecondaryActivate(int /*x*/, int /*y*/) { }

void StatusNotifierItem::ContextMenu(int x, int y)
{
    if (m_menu)
        m_menu->popup(QPoint(x, y));
}

void StatusNotifierItem::Scroll(int /*delta*/, const QString& /*orientation*/) { }
