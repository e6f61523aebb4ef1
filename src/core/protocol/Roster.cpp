#include "Roster.h"

bool Roster::hasIcon(const QString& icon)
{
    return icon == QLatin1String(UserIcon) || icon == QLatin1String(OwnIcon);
}

int Roster::append(const QString& key, const QString& source)
{
    Q_ASSERT(!m_rows.contains(key) && !isFull());
    const int row = count();
    beginInsertRows({}, row, row);
    m_entries.push_back(Entry{key, {}, {}, source});
    m_rows.insert(key, row);
    countSource(m_entries.back(), 1);
    endInsertRows();
    return row;
}

void Roster::bind(int row, const QString& source)
{
    Entry& entry = m_entries[row];
    if (entry.source == source)
        return;
    countSource(entry, -1);
    entry.source = source;
    countSource(entry, 1);
}

void Roster::countSource(const Entry& entry, int delta)
{
    if (entry.source.isEmpty() || keyFor(entry.source) == entry.key)
        return;
    int& entries = m_madeBy[entry.source];
    entries += delta;
    if (entries <= 0)
        m_madeBy.remove(entry.source);
}

void Roster::setNick(int row, const QString& nick)
{
    if (m_entries[row].nick == nick)
        return;
    m_entries[row].nick = nick;
    changed(row, Qt::DisplayRole);
}

void Roster::setIcon(int row, const QString& icon)
{
    if (m_entries[row].icon == icon)
        return;
    m_entries[row].icon = icon;
    changed(row, IconKeyRole);
}

void Roster::remove(int row)
{
    const int last = count() - 1;
    if (row != last) {
        // The entry that goes swaps rows with the last one, selection and all, so that only
        // the last row is removed.
        emit layoutAboutToBeChanged();
        std::swap(m_entries[row], m_entries[last]);
        m_rows[m_entries[row].key] = row;
        changePersistentIndexList({index(row), index(last)}, {index(last), index(row)});
        emit layoutChanged();
    }
    beginRemoveRows({}, last, last);
    m_rows.remove(m_entries.back().key);
    countSource(m_entries.back(), -1);
    m_entries.pop_back();
    endRemoveRows();
}

void Roster::clear()
{
    beginResetModel();
    m_entries.clear();
    m_rows.clear();
    m_madeBy.clear();
    endResetModel();
}

int Roster::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant Roster::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const Entry& entry = m_entries.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return entry.nick;
    case KeyRole:
        return entry.key;
    case IconKeyRole:
        return entry.icon;
    default:
        return {};
    }
}

QVariant Roster::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return QStringLiteral("uživatel");
    return {};
}

void Roster::changed(int row, int role)
{
    const QModelIndex at = index(row);
    emit dataChanged(at, at, {role});
}
