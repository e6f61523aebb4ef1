#pragma once

#include "core/net/HostAddresses.h"
#include "core/protocol/NotePresenter.h"
#include "core/protocol/TranscriptSink.h"

#include <QList>
#include <QStringList>

// Hand-written stand-ins for the transcript, the notes and the host, which record what they get.
struct RecordedLine {
    QString text;
    LineLook look = LineLook::Chat;
    QString nick = {};
    bool bare = false; // neither time stamp nor nick

    bool operator==(const RecordedLine&) const = default;
};
using Lines = QList<RecordedLine>;

class RecordingTranscript final : public TranscriptSink {
public:
    void appendLine(const QString& text, LineLook look, const QString& nick) override
    {
        lines.append({text, look, nick});
    }
    void appendBareLine(const QString& text, LineLook look) override
    {
        lines.append({text, look, {}, true});
    }
    Lines lines;
};

class RecordingNotes final : public NotePresenter {
public:
    struct Note {
        QString caption;
        QString text;
        std::function<void()> close;
    };
    void showNote(const QString& caption, const QString& text,
                  std::function<void()> closed) override
    {
        notes.append({caption, text, std::move(closed)});
    }
    QList<Note> notes;
};

// A host whose own addresses are listed (loopback always) on a network with one broadcast.
class FakeHostAddresses final : public HostAddresses {
public:
    explicit FakeHostAddresses(QStringList ownAddresses)
        : own(std::move(ownAddresses))
    {
    }
    bool isOwn(const QString& address) const override
    {
        return own.contains(address) || address.startsWith(QLatin1String("127."));
    }
    bool isLocalBroadcast(const QString& address) const override { return address == broadcast; }

    QStringList own;
    QString broadcast = QStringLiteral("10.0.0.255");
};

inline char* toString(const RecordedLine& line)
{
    const QString bare = line.bare ? QStringLiteral(", bare") : QString();
    return qstrdup(QStringLiteral("(%1, look %2, \"%3\"%4)")
                       .arg(line.text, QString::number(int(line.look)), line.nick, bare)
                       .toUtf8()
                       .constData());
}
