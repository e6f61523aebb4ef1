#pragma once

#include "TranscriptEntry.h"

#include <QByteArray>
#include <QStringList>

#include <memory>

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

namespace TranscriptExport {
std::unique_ptr<TranscriptWriter> writerFor(ExportKind kind);
// The lines an entry shows: the stamp and the nick lead the first one; a CR, LF or CR LF
// in the message starts the next.
QStringList entryLines(const TranscriptEntry& entry);
// The whole transcript at once. False when the device did not take all of it.
bool write(const TranscriptEntries& entries, const TranscriptWriter& writer, QIODevice& device);
} // namespace TranscriptExport
