#include "FileDropFilter.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

FileDropFilter::FileDropFilter(QWidget* widget, TargetAt targetAt, Dropped dropped,
                               std::function<void()> missed)
    : QObject(widget)
    , m_targetAt(std::move(targetAt))
    , m_dropped(std::move(dropped))
    , m_missed(std::move(missed))
{
}

FileDropFilter* FileDropFilter::install(QWidget* widget, TargetAt targetAt, Dropped dropped,
                                        std::function<void()> missed)
{
    auto* filter =
        new FileDropFilter(widget, std::move(targetAt), std::move(dropped), std::move(missed));
    widget->setAcceptDrops(true);
    widget->installEventFilter(filter);
    return filter;
}

QStringList FileDropFilter::localFiles(const QMimeData* data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            return {};
        paths.append(url.toLocalFile());
    }
    return paths;
}

bool FileDropFilter::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QObject::eventFilter(watched, event);
    auto* drop = static_cast<QDropEvent*>(event);
    const QStringList paths = localFiles(drop->mimeData());
    // Only a copy: a file manager removes what it sees moved.
    if (paths.isEmpty() || !(drop->possibleActions() & Qt::CopyAction))
        return QObject::eventFilter(watched, event);
    const QString address = m_targetAt(drop->position().toPoint());
    if (address.isEmpty() && !m_missed) {
        drop->ignore();
        return true;
    }
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (type == QEvent::Drop) {
        if (address.isEmpty())
            m_missed();
        else
            m_dropped(address, paths);
    }
    return true;
}
