#include "UserListView.h"

#include "core/protocol/Roster.h"
#include "gui/common/Icons.h"

#include <QMouseEvent>

QVariant RosterIconModel::data(const QModelIndex& index, int role) const
{
    if (role == Qt::DecorationRole)
        return Icons::user(QIdentityProxyModel::data(index, Roster::IconKeyRole).toString());
    return QIdentityProxyModel::data(index, role);
}

UserListView::UserListView(Roster& roster, QWidget* parent)
    : QTreeView(parent)
{
    setObjectName(QStringLiteral("userList"));
    m_icons.setSourceModel(&roster);
    setModel(&m_icons);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setEditTriggers(NoEditTriggers);
    setSelectionMode(SingleSelection);
}

void UserListView::mouseReleaseEvent(QMouseEvent* event)
{
    QTreeView::mouseReleaseEvent(event);
    const QModelIndex hit = indexAt(event->position().toPoint());
    if (!hit.isValid()) {
        emit emptyReleased();
        return;
    }
    setCurrentIndex(hit);
    emit entryReleased(hit.data(Roster::KeyRole).toString(), event->button(),
                       event->globalPosition().toPoint());
}
