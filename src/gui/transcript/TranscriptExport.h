#pragma once

#include "TranscriptEntry.h"

#include <QByteArray>
#include <QStringList>

#include <memory>
#include <optional>

class QIODevice;

// The kinds of file the transcript can be saved as.
enum class ExportKind { Html, Rtf, PlainText };

// Turns a transcript into the bytes of one kind of file, entry by entry, so that a long
// transcript can be written a slice at a time.
class TranscriptWriter {
public:
    virtual ~TranscriptWriter() = default;
    virtual QByteArray header() const = 0;
    virtual QByteArray entry(const TranscriptEntry& entry) const = 0;
    virtual QByteArray footer() const = 0;
};

// Reads the entries a transcript held when reading began, a step at a time, while the oldest
// may leave it meanwhile: entries are found by serial, which never shifts, and the entries that
// left before they were read are written as one note where they would have been.
class TranscriptReader final {
    Q_DISABLE_COPY_MOVE(TranscriptReader)

public:
    explicit TranscriptReader(const TranscriptEntries& entries);

    // One pass: a step for the note on entries that left before it, then one per entry.
    qsizetype steps() const { return m_end - m_first + 1; }
    // What a step writes: an entry, the note standing for entries that left, or nothing where
    // there is no note or an earlier one covers it. Steps come in order.
    std::optional<TranscriptEntry> at(qsizetype step);
    // Another pass over the same entries, for another printed copy.
    void rewind() { m_next = 0; }

private:
    const TranscriptEntries& m_entries;
    qsizetype m_first; // serial of the oldest entry kept when reading began
    qsizetype m_end; // serial after the newest
    qsizetype m_next = 0; // serial of the first entry neither written nor noted yet
    qsizetype m_seen; // the most entries ever written to the transcript while we read
    bool m_cleared = false;
};

namespace TranscriptExport {
// The line, in the look of a status line, that says how many of the oldest entries are not in
// an export or a printout.
TranscriptEntry missingEntriesNote(qsizetype count);
std::unique_ptr<TranscriptWriter> writerFor(ExportKind kind);
// The lines an entry shows: the stamp and the nick lead the first one; a CR, LF or CR LF
// in the message starts the next.
QStringList entryLines(const TranscriptEntry& entry);
// The whole transcript at once. False when the device did not take all of it.
bool write(const TranscriptEntries& entries, const TranscriptWriter& writer, QIODevice& device);
} // namespace TranscriptExport
