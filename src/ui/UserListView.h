#pragma once

#include <QIdentityProxyModel>
#include <QTreeView>

class Roster;

// Shows each roster entry's icon key as its picture.
class RosterIconModel final : public QIdentityProxyModel {
    Q_OBJECT

public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
};

// The list of users on line beside the transcript ("users"), one column "uživatel".
class UserListView final : public QTreeView {
    Q_OBJECT

public:
    explicit UserListView(Roster& roster, QWidget* parent = nullptr);

private:
    RosterIconModel m_icons;
};
