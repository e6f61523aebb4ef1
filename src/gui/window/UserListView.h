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

// The list of users on line beside the transcript, one column "uživatel".
class UserListView final : public QTreeView {
    Q_OBJECT

public:
    explicit UserListView(Roster& roster, QWidget* parent = nullptr);

signals:
    // A mouse button came up over an entry (its roster key) or over the empty part.
    void entryReleased(const QString& key, Qt::MouseButton button, const QPoint& globalPos);
    void emptyReleased();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    RosterIconModel m_icons;
};
