#include "TranscriptStore.h"

namespace {
// Blocks grow with the history, so a short one wastes little and a long one is served by few
// blocks, none so large that allocating it holds up an append.
constexpr qsizetype SmallestBlock = 4 * 1024;
constexpr qsizetype LargestBlock = 256 * 1024;
} // namespace

QString& TranscriptStore::blockWithRoom(qsizetype characters)
{
    if (m_blocks.empty() || m_blocks.back().capacity() - m_blocks.back().size() < characters) {
        const qsizetype grown = m_blocks.empty() ? SmallestBlock : 2 * m_blocks.back().capacity();
        m_blocks.emplace_back();
        m_blocks.back().reserve(qMax(qMin(grown, LargestBlock), characters));
    }
    return m_blocks.back();
}

void TranscriptStore::append(const TranscriptEntry& entry)
{
    QString& block = blockWithRoom(entry.stamp.size() + entry.nick.size() + entry.message.size());
    const Record record{quint32(m_blocks.size() - 1),  quint32(block.size()),
                        quint32(entry.stamp.size()),   quint32(entry.nick.size()),
                        quint32(entry.message.size()), qint32(entry.mtype)};
    block.append(entry.stamp).append(entry.nick).append(entry.message);
    m_records.push_back(record);
}

void TranscriptStore::clear()
{
    m_records = {};
    m_blocks = {};
}

TranscriptEntry TranscriptStore::entryAt(qsizetype index) const
{
    const Record& record = m_records.at(std::size_t(index));
    const QChar* text = m_blocks[record.block].constData() + record.offset;
    TranscriptEntry entry;
    entry.stamp = QString(text, record.stampLength);
    text += record.stampLength;
    entry.nick = QString(text, record.nickLength);
    text += record.nickLength;
    entry.message = QString(text, record.messageLength);
    entry.mtype = record.mtype;
    return entry;
}
