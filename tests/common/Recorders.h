#pragma once

#include "protocol/PacketSender.h"
#include "protocol/TranscriptSink.h"

#include <QList>

// Hand-written stand-ins for the transcript and the network, which count what they get.
struct RecordedLine {
    QString msg;
    int mtype = 0;
    QString uname;

    bool operator==(const RecordedLine&) const = default;
};

class RecordingTranscript final : public TranscriptSink {
public:
    void AddLine(const QString& Msg, int mtype, const QString& UName) override
    {
        lines.append({Msg, mtype, UName});
    }
    QList<RecordedLine> lines;
};

struct SentPackage {
    QByteArray data;
    QStringList to; // empty: everybody

    bool operator==(const SentPackage&) const = default;
};

class RecordingSender final : public PacketSender {
public:
    bool SendPackage(const QByteArray& data_to_send, const QStringList& SpecificIPs) override
    {
        sent.append({data_to_send, SpecificIPs});
        return true;
    }
    QList<SentPackage> sent;
};

inline char* toString(const RecordedLine& line)
{
    return qstrdup(QStringLiteral("(%1, %2, \"%3\")")
                       .arg(line.msg)
                       .arg(line.mtype)
                       .arg(line.uname)
                       .toUtf8()
                       .constData());
}
