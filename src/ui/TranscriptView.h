#pragma once

#include "TranscriptStore.h"
#include "protocol/TranscriptSink.h"

#include <QTextCursor>
#include <QTextEdit>
#include <QTime>

#include <functional>

// The pane "chat": every entry the user reads arrives through AddLine. It is never trimmed,
// so an append must cost the same whether the transcript holds ten entries or a million.
class TranscriptView final : public QTextEdit, public TranscriptSink {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TranscriptView)

public:
    using Clock = std::function<QTime()>;

    explicit TranscriptView(QWidget* parent = nullptr);

    void AddLine(const QString& Msg, int mtype = 0, const QString& UName = {}) override;
    void clearTranscript();
    // Every entry since the start or the last clear, in order.
    const TranscriptEntries& entries() const { return m_store; }

    // Stamps read the time from here; an empty clock restores the local time of day.
    void setClock(Clock clock);

signals:
    // Raised per inserted run and per clearing, the way the activity notice expects it.
    void chat_Change();

private:
    // Appends go through a cursor of our own, so a selection the user is making survives.
    QTextCursor m_end;
    Clock m_clock;
    TranscriptStore m_store;
};
