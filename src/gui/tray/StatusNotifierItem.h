#pragma once

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QDBusArgument;
class QIcon;
class QMenu;

// One size of the icon as the panel takes it: ARGB, 32 bits, in network byte order.
struct StatusNotifierPixmap {
    int width = 0;
    int height = 0;
    QByteArray pixels;
};
using StatusNotifierPixmaps = QList<StatusNotifierPixmap>;

struct StatusNotifierToolTip {
    QString iconName;
    StatusNotifierPixmaps icon;
    QString title;
    QString text;
};

// The program's own icon on a status-notifier panel, for when the panel starts after the
// toolkit has settled for another kind of tray (the toolkit looks for one only once). It carries
// no menu of its own: the panel asks for it at a place, and the menu pops up there.
class StatusNotifierItem final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatusNotifierItem)
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QString IconName READ iconName)
    Q_PROPERTY(StatusNotifierPixmaps IconPixmap READ iconPixmap)
    Q_PROPERTY(StatusNotifierToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)

public:
    explicit StatusNotifierItem(QDBusConnection bus = QDBusConnection::sessionBus(),
                                QObject* parent = nullptr);
    ~StatusNotifierItem() override;

    void setIcon(const QIcon& icon);
    void setToolTip(const QString& text);
    void setContextMenu(QMenu* menu);
    // On the bus, and made known to the watcher; again whenever a watcher starts.
    void show();
    void hide();
    void registerWithWatcher();

    static QString category() { return QStringLiteral("Communications"); }
    static QString id() { return QStringLiteral("kestrowind2"); }
    static QString title() { return QStringLiteral("Kestrowind 2"); }
    static QString status() { return QStringLiteral("Active"); }
    static QString iconName() { return {}; }
    StatusNotifierPixmaps iconPixmap() const { return m_pixmaps; }
    StatusNotifierToolTip toolTip() const { return {{}, {}, m_toolTip, {}}; }
    static bool itemIsMenu() { return false; }
    static QDBusObjectPath menu() { return QDBusObjectPath(QStringLiteral("/NO_DBUSMENU")); }

    // What the panel calls.
    Q_SCRIPTABLE Q_INVOKABLE void Activate(int x, int y);
    Q_SCRIPTABLE Q_INVOKABLE void SecondaryActivate(int x, int y);
    Q_SCRIPTABLE Q_INVOKABLE void ContextMenu(int x, int y);
    Q_SCRIPTABLE Q_INVOKABLE void Scroll(int delta, const QString& orientation);

signals:
    Q_SCRIPTABLE void NewIcon();
    Q_SCRIPTABLE void NewToolTip();
    // The panel's primary activation of the icon (its click).
    void activated();

private:
    QDBusConnection m_bus;
    QString m_service;
    bool m_shown = false;
    StatusNotifierPixmaps m_pixmaps;
    QString m_toolTip;
    QPointer<QMenu> m_menu;
};

Q_DECLARE_METATYPE(StatusNotifierPixmap)
Q_DECLARE_METATYPE(StatusNotifierToolTip)

QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierPixmap& pixmap);
const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierPixmap& pixmap);
QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierToolTip& tip);
const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierToolTip& tip);
