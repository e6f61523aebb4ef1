#pragma once

#include "TranscriptEntry.h"

#include <QString>

#include <deque>

// The entries since the start or the last clear, whatever the pane still shows, as many as its
// bounds allow: past either, the oldest leave. The text of the entries is packed into large
// shared blocks and each entry keeps only where its runs lie, so a long history costs little
// more than its characters, and a block goes back to the heap once no kept entry uses it.
class TranscriptStore final : public TranscriptEntries {
    Q_DISABLE_COPY_MOVE(TranscriptStore)

public:
    // A day of a busy channel; the records alone then take 24 MB beside the text.
    static constexpr qsizetype MaxEntries = 1'000'000;
    // What a station left running all day may spend on its history, whatever peers send.
    static constexpr qsizetype MaxTextBytes = qsizetype{128} * 1024 * 1024;

    struct Limits {
        qsizetype entries = MaxEntries;
        qsizetype textBytes = MaxTextBytes; // counted as the blocks' allocated capacity
    };

    TranscriptStore();
    // Tests lower the bounds so as not to need the memory.
    explicit TranscriptStore(Limits limits);

    void append(const TranscriptEntry& entry);
    void clear();

    qsizetype entryCount() const override { return qsizetype(m_records.size()); }
    TranscriptEntry entryAt(qsizetype index) const override;
    qsizetype droppedCount() const override { return m_dropped; }

    // Characters of the entry's three runs together, without copying them.
    qsizetype charactersAt(qsizetype index) const;
    // The entry's stamp, nick and message one after the other, as the store holds them: valid
    // until the next append or clear.
    QStringView textAt(qsizetype index) const;
    // What the text blocks occupy now.
    qsizetype textBytes() const { return m_textBytes; }

private:
    // Where one entry's runs lie: stamp, nick and message, one after the other in one block.
    struct Record {
        quint32 block; // the block's serial; wraps, only differences count
        quint32 offset;
        quint32 stampLength;
        quint32 nickLength;
        quint32 messageLength;
        LineLook look;
    };

    QString& blockWithRoom(qsizetype characters);
    void addBlock(qsizetype characters);
    void dropOldest();
    bool overLimits() const;

    Limits m_limits;
    // No block may hold so much of the allowed text that dropping it empties the store.
    qsizetype m_largestBlock = 0;
    // Chunked rather than contiguous: growing never copies the whole history at once, and the
    // oldest leave from the front at no cost.
    std::deque<Record> m_records;
    std::deque<QString> m_blocks;
    quint32 m_firstBlock = 0; // serial of m_blocks.front()
    qsizetype m_textBytes = 0;
    qsizetype m_dropped = 0;
};
