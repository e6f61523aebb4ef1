#pragma once

#include <QAbstractListModel>
#include <QHash>
#include <QString>

#include <vector>

// The users on line, the own station included. Each entry is keyed "ip" + address; a hash beside
// the rows finds an entry without a scan. Adding, renaming, finding and removing cost the same
// whatever the size: a new entry goes to the end, and a removed one's row is taken by the last
// entry, so no other row moves.
class Roster final : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role { KeyRole = Qt::UserRole + 1, IconKeyRole };

    struct Entry {
        QString key;
        QString nick; // as last announced
        QString icon; // icon key
        // The address whose datagrams made the entry: only it, or the station at the entry's
        // own address, speaks for the entry.
        QString source;
    };

    // "u1" marks the own entry; "user" is everybody else and the fallback.
    static constexpr auto OwnIcon = "u1";
    static constexpr auto UserIcon = "user";
    // More entries than any network has stations; past this nobody new is added.
    static constexpr int MaxEntries = 10000;
    // Entries one source may make for addresses other than its own. A host announcing for a
    // few others (a gateway, several addresses) needs a handful; one source listing thousands
    // would crowd every real newcomer out of the roster.
    static constexpr int MaxEntriesPerSource = 4;

    using QAbstractListModel::QAbstractListModel;

    static QString keyFor(const QString& address) { return QStringLiteral("ip") + address; }
    // Every "ip" goes, as the address of an entry always has been read.
    static QString addressOf(QString key) { return key.remove(QStringLiteral("ip")); }
    // Whether the user list has a picture for this key.
    static bool hasIcon(const QString& icon);

    int count() const { return static_cast<int>(m_entries.size()); }
    bool isFull() const { return count() >= MaxEntries; }
    // Entries for other addresses that this source made and still speaks for.
    int entriesMadeBy(const QString& source) const { return m_madeBy.value(source); }
    const Entry& at(int row) const { return m_entries.at(row); }
    int rowOf(const QString& key) const { return m_rows.value(key, -1); }

    // The key must be new and the roster not full.
    int append(const QString& key, const QString& source = {});
    // From now on the entry speaks through this source.
    void bind(int row, const QString& source);
    void setNick(int row, const QString& nick);
    void setIcon(int row, const QString& icon);
    void remove(int row);
    void clear();

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    void changed(int row, int role);
    // Counts the entry for its source when that speaks for another address.
    void countSource(const Entry& entry, int delta);

    std::vector<Entry> m_entries;
    QHash<QString, int> m_rows;
    QHash<QString, int> m_madeBy;
};
