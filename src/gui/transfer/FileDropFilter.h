#pragma once

#include <QObject>
#include <QPoint>
#include <QStringList>

#include <functional>

class QMimeData;
class QWidget;

// Files dragged from a file manager onto a widget, offered to a user. Installed on any widget
// (on a scroll area's viewport, where the drag events arrive); other drags, such as text onto
// the composer, pass on to the widget as before.
class FileDropFilter final : public QObject {
    Q_OBJECT

public:
    // The address of the user that files dropped at this point go to; empty for nobody.
    using TargetAt = std::function<QString(const QPoint& pos)>;
    using Dropped = std::function<void(const QString& address, const QStringList& paths)>;

    // Without "missed" a drag is taken only where a target is; with it, everywhere, and a
    // drop without a target calls it.
    static FileDropFilter* install(QWidget* widget, TargetAt targetAt, Dropped dropped,
                                   std::function<void()> missed = {});

    // The local files a drag carries, in its order; empty when it carries anything else too.
    static QStringList localFiles(const QMimeData* data);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    FileDropFilter(QWidget* widget, TargetAt targetAt, Dropped dropped,
                   std::function<void()> missed);

    TargetAt m_targetAt;
    Dropped m_dropped;
    std::function<void()> m_missed;
};
