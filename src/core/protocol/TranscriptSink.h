#pragma once

#include <QString>

// How a transcript line looks: each look has its colour, weight and size in the pane, in the
// exports and on paper.
enum class LineLook {
    Chat, // chat lines, and everything without a look of its own
    Status, // what the user's own commands did
    Action, // "/me" actions and nick changes
    Presence, // users coming and going
    Alert, // attention, refusals and errors
};

// Where the protocol writes what the user should read. The transcript pane implements it;
// tests pass a recorder.
class TranscriptSink {
public:
    virtual ~TranscriptSink() = default;
    // The text after a time stamp, and after "<nick>" when a nick is given.
    virtual void appendLine(const QString& text, LineLook look = LineLook::Chat,
                            const QString& nick = {}) = 0;
    // The text alone, with neither time stamp nor nick.
    virtual void appendBareLine(const QString& text, LineLook look) = 0;
};
