#include "DesktopNotices.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QImage>
#include <QVariantMap>

namespace {
const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString& Interface = Service;
const QString AppName = QStringLiteral("Kestrowind 2");
const QString DefaultAction = QStringLiteral("default");
constexpr int IconSize = 48;
constexpr qsizetype MostRemembered = 32;

QDBusMessage call(const QString& method)
{
    return QDBusMessage::createMethodCall(Service, Path, Interface, method);
}

// The picture itself rather than a name: the program installs no icon theme entry.
QVariant imageData(const QIcon& icon)
{
    const QImage image = icon.pixmap(IconSize).toImage().convertToFormat(QImage::Format_RGBA8888);
    QDBusArgument data;
    data.beginStructure();
    data << image.width() << image.height() << int(image.bytesPerLine()) << true << 8 << 4
         << QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
    data.endStructure();
    return QVariant::fromValue(data);
}
} // namespace

DesktopNotices::DesktopNotices(QDBusConnection bus, Clock clock, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_clock(std::move(clock))
{
    m_bus.connect(Service, Path, Interface, QStringLiteral("ActionInvoked"), this,
                  SLOT(onActionInvoked(uint, QString)));
    m_bus.connect(Service, Path, Interface, QStringLiteral("NotificationClosed"), this,
                  SLOT(onClosed(uint, uint)));
}

QString DesktopNotices::desktopLines(const QString& text)
{
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    while (lines.endsWith(u'\n'))
        lines.chop(1);
    return lines;
}

void DesktopNotices::show(const QString& title, const QString& text, const QIcon& icon,
                          std::chrono::milliseconds duration)
{
    if (!m_bus.isConnected())
        return;
    m_waiting = Notice{title, text, icon, duration};
    if (!m_calling)
        sendNext();
}

void DesktopNotices::sendNext()
{
    if (!m_waiting)
        return;
    if (m_markup == Markup::Unknown) {
        askCapabilities();
        return;
    }
    const Notice notice = *std::exchange(m_waiting, std::nullopt);
    const auto now = m_clock();
    const uint replaces = m_shown != 0 && now - m_shownAt < ReplaceWithin ? m_shown : 0;
    QString body = desktopLines(notice.text);
    if (m_markup == Markup::Read)
        body = body.toHtmlEscaped();
    QDBusMessage notify = call(QStringLiteral("Notify"));
    notify << AppName << replaces << QString() << notice.title << body
           << QStringList{DefaultAction, QStringLiteral("zobrazit okno")}
           << QVariantMap{{QStringLiteral("image-data"), imageData(notice.icon)}}
           << int(notice.duration.count());
    m_calling = true;
    auto* pending = new QDBusPendingCallWatcher(m_bus.asyncCall(notify), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, now](QDBusPendingCallWatcher* done) {
                m_shownAt = now;
                onNotified(done);
            });
}

void DesktopNotices::onNotified(QDBusPendingCallWatcher* call)
{
    call->deleteLater();
    m_calling = false;
    const QDBusPendingReply<uint> reply = *call;
    if (reply.isError()) {
        // The service may be gone, or another one may come that reads markup differently.
        m_shown = 0;
        m_markup = Markup::Unknown;
        m_waiting.reset();
        return;
    }
    m_shown = reply.value();
    if (!m_ours.contains(m_shown))
        m_ours.append(m_shown);
    if (m_ours.size() > MostRemembered)
        m_ours.removeFirst();
    sendNext();
}

// A service that reads markup in the body would take a peer's "<b>" for its own.
void DesktopNotices::askCapabilities()
{
    m_calling = true;
    auto* pending =
        new QDBusPendingCallWatcher(m_bus.asyncCall(call(QStringLiteral("GetCapabilities"))), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* done) {
                done->deleteLater();
                m_calling = false;
                const QDBusPendingReply<QStringList> reply = *done;
                if (reply.isError()) {
                    m_waiting.reset();
                    return;
                }
                m_markup = reply.value().contains(QStringLiteral("body-markup")) ? Markup::Read
                                                                                 : Markup::Ignored;
                sendNext();
            });
}

void DesktopNotices::onActionInvoked(uint id, const QString& action)
{
    if (action == DefaultAction && m_ours.contains(id))
        emit activated();
}

void DesktopNotices::onClosed(uint id, uint /*reason*/)
{
    m_ours.removeOne(id);
    if (id == m_shown)
        m_shown = 0;
}
