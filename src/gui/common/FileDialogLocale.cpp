#include "FileDialogLocale.h"

#include <QEvent>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLocale>

namespace {
// The columns of a file system model.
constexpr int SizeColumn = 1;
constexpr int DateColumn = 3;
} // namespace

QVariant LocalisedFileList::data(const QModelIndex& index, int role) const
{
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (role != Qt::DisplayRole || !files || !index.isValid())
        return QIdentityProxyModel::data(index, role);
    const QModelIndex source = mapToSource(index);
    switch (source.column()) {
    case SizeColumn:
        // A folder has no size of its own to show.
        if (files->isDir(source))
            break;
        return QLocale().formattedDataSize(files->size(source));
    case DateColumn:
        return QLocale().toString(files->lastModified(source), QLocale::ShortFormat);
    default:
        break;
    }
    return QIdentityProxyModel::data(index, role);
}

FileDialogLocale::FileDialogLocale(QObject* application)
    : QObject(application)
{
    application->installEventFilter(this);
}

bool FileDialogLocale::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show) {
        // A dialog with a proxy of its own keeps it.
        if (auto* dialog = qobject_cast<QFileDialog*>(watched); dialog && !dialog->proxyModel())
            dialog->setProxyModel(new LocalisedFileList(dialog));
    }
    return QObject::eventFilter(watched, event);
}
