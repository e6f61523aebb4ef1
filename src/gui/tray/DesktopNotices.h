#pragma once

#include <QDBusConnection>
#include <QIcon>
#include <QList>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>

class QDBusPendingCallWatcher;

// Notices through the desktop's notification service, for desktops whose tray cannot show a
// balloon or that have no tray at all. Every call to the service is answered later, so a
// service that is missing or slow holds nothing up: without one the notices go nowhere.
class DesktopNotices final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DesktopNotices)

public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // A notice this soon after the previous one takes its place, so a busy chat leaves one.
    static constexpr std::chrono::seconds ReplaceWithin{5};

    explicit DesktopNotices(QDBusConnection bus = QDBusConnection::sessionBus(),
                            Clock clock = &std::chrono::steady_clock::now,
                            QObject* parent = nullptr);

    // The text breaks lines with a carriage return, as a tray balloon does; peers' text in it
    // stays plain text whatever the service would read as markup.
    void show(const QString& title, const QString& text, const QIcon& icon,
              std::chrono::milliseconds duration);

    // The same text with the line breaks that a desktop shows, without trailing empty lines.
    static QString desktopLines(const QString& text);

signals:
    // The user clicked one of the program's notices.
    void activated();

private:
    // Reached by name from the bus's signals.
    Q_INVOKABLE void onActionInvoked(uint id, const QString& action);
    Q_INVOKABLE void onClosed(uint id, uint reason);
    struct Notice {
        QString title;
        QString text;
        QIcon icon;
        std::chrono::milliseconds duration;
    };

    void sendNext();
    void askCapabilities();
    void onNotified(QDBusPendingCallWatcher* call);

    QDBusConnection m_bus;
    Clock m_clock;
    // One call to the service at a time, so each notice knows which one it replaces; of those
    // that come meanwhile only the newest is still worth showing.
    std::optional<Notice> m_waiting;
    bool m_calling = false;
    enum class Markup { Unknown, Read, Ignored } m_markup = Markup::Unknown;
    uint m_shown = 0; // the notice that a new one replaces; 0 for none
    std::chrono::steady_clock::time_point m_shownAt;
    // The notices still on the desktop that came from here, newest last: the user may click an
    // older one from the desktop's list.
    QList<uint> m_ours;
};
