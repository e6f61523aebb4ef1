#pragma once

#include "TextFold.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <deque>
#include <optional>

class TranscriptStore;

// Finds a query in every entry the store keeps, newest first, a slice per turn of the event
// loop, so that typing and datagrams never wait for a million entries; entries written while
// it looks are searched as they come. Matches are counted in the order they were written.
class TranscriptFinder final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TranscriptFinder)

public:
    // The match shown: the occurrence-th time the query appears in the entry with this serial.
    struct Match {
        qsizetype serial = 0;
        qsizetype occurrence = 0;

        bool operator==(const Match&) const = default;
    };
    // A million entries take a handful of slices; typing never waits longer than one.
    static constexpr std::chrono::milliseconds DefaultSliceBudget{15};

    explicit TranscriptFinder(const TranscriptStore& store, QObject* parent = nullptr);

    // Starts over; an empty query ends the search.
    void setQuery(const QString& query);
    // Towards the newest, or the oldest, match, past either end to the other.
    void next();
    void previous();
    std::optional<Match> current() const;
    qsizetype count() const { return m_back - m_front; }
    bool searching() const;
    // "3 z 41": the current match's place among all of them; the count grows while searching.
    QString countText() const;
    // The store grew, let its oldest go or was cleared.
    void onStoreChanged();
    void setSliceBudget(std::chrono::milliseconds budget) { m_sliceBudget = budget; }

signals:
    // Another match became the current one, or none is.
    void currentChanged();
    void countChanged();

private:
    // One entry with matches; key less the front's key is how many matches are newer.
    struct Found {
        qsizetype serial;
        qsizetype key;
        qsizetype count;
    };

    void searchSlice();
    void dropLeftEntries();
    qsizetype matchesIn(qsizetype serial) const;
    void setCurrent(qsizetype found, qsizetype occurrence);

    const TranscriptStore& m_store;
    QString m_query;
    TextFold::Pattern m_pattern;
    std::deque<Found> m_found; // newest first
    qsizetype m_front = 0; // key of the newest found entry
    qsizetype m_back = 0; // key after the oldest
    qsizetype m_scanned = 0; // serial of the oldest entry searched so far
    qsizetype m_searchedUpTo = 0; // serial after the newest entry searched
    qsizetype m_current = -1; // index into m_found
    qsizetype m_occurrence = 0;
    QTimer m_slices;
    std::chrono::milliseconds m_sliceBudget = DefaultSliceBudget;
};
