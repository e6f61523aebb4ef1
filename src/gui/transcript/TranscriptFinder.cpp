#include "TranscriptFinder.h"

#include "TranscriptStore.h"

#include <QElapsedTimer>

namespace {
// Entries searched between two looks at the clock: the clock costs more than a short entry.
constexpr qsizetype EntriesPerClockCheck = 256;
} // namespace

TranscriptFinder::TranscriptFinder(const TranscriptStore& store, QObject* parent)
    : QObject(parent)
    , m_store(store)
{
    m_slices.setSingleShot(true);
    m_slices.setInterval(0);
    connect(&m_slices, &QTimer::timeout, this, &TranscriptFinder::searchSlice);
}

void TranscriptFinder::setQuery(const QString& query)
{
    m_query = query;
    m_pattern = TextFold::Pattern(query);
    m_found.clear();
    m_front = m_back = 0;
    m_current = -1;
    m_occurrence = 0;
    m_searchedUpTo = m_scanned = m_store.droppedCount() + m_store.entryCount();
    m_slices.stop();
    if (!m_pattern.isEmpty())
        searchSlice();
    emit currentChanged();
    emit countChanged();
}

qsizetype TranscriptFinder::matchesIn(qsizetype serial) const
{
    return m_pattern.countIn(m_store.textAt(serial - m_store.droppedCount()));
}

void TranscriptFinder::searchSlice()
{
    QElapsedTimer clock;
    clock.start();
    const qsizetype oldest = m_store.droppedCount();
    const bool hadCurrent = m_current >= 0;
    m_scanned = qMax(m_scanned, oldest);
    while (m_scanned > oldest) {
        const qsizetype serial = m_scanned - 1;
        if (const qsizetype count = matchesIn(serial); count > 0) {
            m_found.push_back({serial, m_back, count});
            m_back += count;
        }
        m_scanned = serial;
        if (serial % EntriesPerClockCheck == 0 && clock.elapsed() >= m_sliceBudget.count())
            break;
    }
    if (!hadCurrent && !m_found.empty())
        setCurrent(0, m_found.front().count - 1);
    if (m_scanned > oldest)
        m_slices.start();
    emit countChanged();
}

void TranscriptFinder::onStoreChanged()
{
    if (m_pattern.isEmpty())
        return;
    const qsizetype end = m_store.droppedCount() + m_store.entryCount();
    // Fewer entries than were searched: the transcript was cleared.
    if (end < m_searchedUpTo) {
        setQuery(m_query);
        return;
    }
    const bool hadCurrent = m_current >= 0;
    const qsizetype before = count();
    for (; m_searchedUpTo < end; ++m_searchedUpTo) {
        if (const qsizetype found = matchesIn(m_searchedUpTo); found > 0) {
            m_front -= found;
            m_found.push_front({m_searchedUpTo, m_front, found});
            if (m_current >= 0)
                ++m_current;
        }
    }
    dropLeftEntries();
    if (!hadCurrent && !m_found.empty())
        setCurrent(0, m_found.front().count - 1);
    if (count() != before)
        emit countChanged();
}

void TranscriptFinder::dropLeftEntries()
{
    const qsizetype oldest = m_store.droppedCount();
    while (!m_found.empty() && m_found.back().serial < oldest) {
        m_back -= m_found.back().count;
        m_found.pop_back();
    }
    // The current match left with its entry: the oldest that is still kept takes its place.
    if (m_current >= qsizetype(m_found.size())) {
        m_current = -1;
        if (!m_found.empty())
            setCurrent(qsizetype(m_found.size()) - 1, 0);
        else
            emit currentChanged();
    }
}

std::optional<TranscriptFinder::Match> TranscriptFinder::current() const
{
    if (m_current < 0)
        return std::nullopt;
    return Match{m_found[std::size_t(m_current)].serial, m_occurrence};
}

void TranscriptFinder::setCurrent(qsizetype found, qsizetype occurrence)
{
    m_current = found;
    m_occurrence = occurrence;
    emit currentChanged();
}

void TranscriptFinder::next()
{
    dropLeftEntries();
    if (m_current < 0)
        return;
    if (m_occurrence + 1 < m_found[std::size_t(m_current)].count)
        setCurrent(m_current, m_occurrence + 1);
    else
        setCurrent(m_current > 0 ? m_current - 1 : qsizetype(m_found.size()) - 1, 0);
}

void TranscriptFinder::previous()
{
    dropLeftEntries();
    if (m_current < 0)
        return;
    const qsizetype older = m_current + 1 < qsizetype(m_found.size()) ? m_current + 1 : 0;
    if (m_occurrence > 0)
        setCurrent(m_current, m_occurrence - 1);
    else
        setCurrent(older, m_found[std::size_t(older)].count - 1);
}

bool TranscriptFinder::searching() const
{
    return !m_pattern.isEmpty() && m_scanned > m_store.droppedCount();
}

QString TranscriptFinder::countText() const
{
    if (m_pattern.isEmpty())
        return {};
    qsizetype number = 0;
    if (m_current >= 0) {
        const Found& found = m_found[std::size_t(m_current)];
        // Matches older than the current entry's, then the current one's place in it.
        number = m_back - (found.key + found.count) + m_occurrence + 1;
    }
    return QStringLiteral("%1 z %2%3")
        .arg(number)
        .arg(count())
        .arg(searching() ? QStringLiteral("…") : QString());
}
