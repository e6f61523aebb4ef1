#pragma once

#include "core/protocol/TranscriptSink.h"

#include <QColor>
#include <QString>
#include <QStringList>

// How one run of the transcript looks. The face is always the pane's own (Verdana); runs
// never change italic or underline.
struct RunLook {
    QColor color;
    bool bold = false;
    int points = 8;

    bool operator==(const RunLook&) const = default;
};

// One entry as it was appended: stamp run, nick run and message run, in that order.
struct TranscriptEntry {
    QString stamp; // "[hh:mm:ss]", or empty when the entry has none
    QString nick; // "<nick>", or empty
    QString
        message; // the text as given; a CR, LF or CR LF inside it starts a new line of the entry
    LineLook look = LineLook::Chat;

    // The entry line by line as the pane shows it; the stamp and the nick begin the first line.
    QStringList lines() const;

    bool operator==(const TranscriptEntry&) const = default;
};

// The looks of the three runs; the message's depends on the line's look.
namespace TranscriptLooks {
RunLook stamp();
RunLook nick();
RunLook message(LineLook look);
} // namespace TranscriptLooks

// Everything that reads the whole transcript (export, print, "/about", tests) reads it here,
// entry by entry, in the order they were written since the start or the last clear. Memory is
// bounded, so the oldest entries may have left: index 0 is the oldest kept, and an entry's
// serial, droppedCount() + index, stays the same for as long as it is kept.
class TranscriptEntries {
public:
    virtual ~TranscriptEntries() = default;
    virtual qsizetype entryCount() const = 0;
    virtual TranscriptEntry entryAt(qsizetype index) const = 0;
    // How many of the oldest entries left since the start or the last clear.
    virtual qsizetype droppedCount() const = 0;
};
