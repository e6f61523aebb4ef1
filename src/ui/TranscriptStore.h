#pragma once

#include "TranscriptEntry.h"

#include <QString>

#include <deque>
#include <vector>

// Every entry since the start or the last clear, whatever the pane still shows. The text of
// the entries is packed into large shared blocks and each entry keeps only where its runs lie,
// so a long history costs little more than its characters and clearing frees a few blocks.
class TranscriptStore final : public TranscriptEntries {
    Q_DISABLE_COPY_MOVE(TranscriptStore)

public:
    TranscriptStore() = default;

    void append(const TranscriptEntry& entry);
    void clear();

    qsizetype entryCount() const override { return qsizetype(m_records.size()); }
    TranscriptEntry entryAt(qsizetype index) const override;

private:
    // Where one entry's runs lie: stamp, nick and message, one after the other in one block.
    struct Record {
        quint32 block;
        quint32 offset;
        quint32 stampLength;
        quint32 nickLength;
        quint32 messageLength;
        qint32 mtype;
    };

    QString& blockWithRoom(qsizetype characters);

    // Chunked rather than contiguous: growing never copies the whole history at once.
    std::deque<Record> m_records;
    std::vector<QString> m_blocks;
};
