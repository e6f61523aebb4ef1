#pragma once

#include "TranscriptEntry.h"

#include <QList>

// Every entry since the start or the last clear, whatever the pane still shows.
class TranscriptStore final : public TranscriptEntries {
public:
    void append(TranscriptEntry entry) { m_entries.append(std::move(entry)); }
    void clear() { m_entries.clear(); }

    qsizetype entryCount() const override { return m_entries.size(); }
    TranscriptEntry entryAt(qsizetype index) const override { return m_entries.at(index); }

private:
    QList<TranscriptEntry> m_entries;
};
