#pragma once

#include <QString>

// Where the protocol writes what the user should read. The transcript pane implements it;
// tests pass a recorder.
class TranscriptSink {
public:
    virtual ~TranscriptSink() = default;
    // Msg in the look of mtype; UName empty: time stamp only; blank: neither stamp nor nick;
    // otherwise stamp and "<UName>".
    virtual void AddLine(const QString& Msg, int mtype = 0, const QString& UName = {}) = 0;
};
