#include "TranscriptStore.h"

namespace {
// Blocks grow with the history, so a short one wastes little and a long one is served by few
// blocks, none so large that allocating it holds up an append.
constexpr qsizetype SmallestBlock = qsizetype{4} * 1024;
constexpr qsizetype LargestBlock = qsizetype{256} * 1024;
// At most this share of the allowed text per block: the oldest block leaving frees a little at
// a time, never most of what is kept.
constexpr qsizetype BlocksPerLimit = 16;

qsizetype bytesOf(const QString& block)
{
    return block.capacity() * qsizetype(sizeof(QChar));
}
} // namespace

TranscriptStore::TranscriptStore()
    : TranscriptStore(Limits{})
{
}

TranscriptStore::TranscriptStore(Limits limits)
    : m_limits(limits)
    , m_largestBlock(qBound(
          qsizetype(1), limits.textBytes / BlocksPerLimit / qsizetype(sizeof(QChar)), LargestBlock))
{
}

QString& TranscriptStore::blockWithRoom(qsizetype characters)
{
    if (m_blocks.empty() || m_blocks.back().capacity() - m_blocks.back().size() < characters) {
        const qsizetype grown = m_blocks.empty() ? SmallestBlock : 2 * m_blocks.back().capacity();
        addBlock(qMax(qMin(grown, m_largestBlock), characters));
    }
    return m_blocks.back();
}

void TranscriptStore::addBlock(qsizetype characters)
{
    m_blocks.emplace_back();
    m_blocks.back().reserve(characters);
    m_textBytes += bytesOf(m_blocks.back());
}

void TranscriptStore::append(const TranscriptEntry& entry)
{
    QString& block = blockWithRoom(entry.stamp.size() + entry.nick.size() + entry.message.size());
    const Record record{m_firstBlock + quint32(m_blocks.size() - 1),
                        quint32(block.size()),
                        quint32(entry.stamp.size()),
                        quint32(entry.nick.size()),
                        quint32(entry.message.size()),
                        entry.look};
    block.append(entry.stamp).append(entry.nick).append(entry.message);
    m_records.push_back(record);
    while (!m_records.empty() && overLimits())
        dropOldest();
}

bool TranscriptStore::overLimits() const
{
    return entryCount() > m_limits.entries || m_textBytes > m_limits.textBytes;
}

void TranscriptStore::dropOldest()
{
    m_records.pop_front();
    ++m_dropped;
    // The blocks before the one the oldest kept entry lies in hold nothing kept any more.
    const qsizetype unused = m_records.empty() ? qsizetype(m_blocks.size())
                                               : qsizetype(m_records.front().block - m_firstBlock);
    for (qsizetype i = 0; i < unused; ++i) {
        m_textBytes -= bytesOf(m_blocks.front());
        m_blocks.pop_front();
        ++m_firstBlock;
    }
}

void TranscriptStore::clear()
{
    m_records = {};
    m_blocks = {};
    m_firstBlock = 0;
    m_textBytes = 0;
    m_dropped = 0;
}

TranscriptEntry TranscriptStore::entryAt(qsizetype index) const
{
    const Record& record = m_records.at(std::size_t(index));
    const QChar* text = m_blocks[record.block - m_firstBlock].constData() + record.offset;
    TranscriptEntry entry;
    entry.stamp = QString(text, record.stampLength);
    text += record.stampLength;
    entry.nick = QString(text, record.nickLength);
    text += record.nickLength;
    entry.message = QString(text, record.messageLength);
    entry.look = record.look;
    return entry;
}

qsizetype TranscriptStore::charactersAt(qsizetype index) const
{
    const Record& record = m_records.at(std::size_t(index));
    return qsizetype(record.stampLength) + record.nickLength + record.messageLength;
}

QStringView TranscriptStore::textAt(qsizetype index) const
{
    const Record& record = m_records[std::size_t(index)];
    return QStringView(m_blocks[record.block - m_firstBlock])
        .mid(record.offset,
             qsizetype(record.stampLength) + record.nickLength + record.messageLength);
}
