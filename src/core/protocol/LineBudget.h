#pragma once

#include "RateLimiter.h"
#include "TranscriptSink.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>

class HostAddresses;

// The transcript lines that peers' packets write, limited per source address: a station that
// talks without pause cannot bury everybody else's lines, nor fill the memory with its own.
// What is held back is counted and said in one line per station every NoticeInterval.
class LineBudget final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LineBudget)

public:
    // Faster than anybody types, and a burst lets a pasted block or a refresh through whole.
    static constexpr int LinesPerSecond = 10;
    static constexpr int BurstLines = 50;
    // Stations with a budget in use; a flood from ever new forged sources waits for room.
    static constexpr qsizetype MaxSources = 4096;
    static constexpr std::chrono::milliseconds NoticeInterval{10000};
    // Stations named in one round of notices; the others share one line, so forged sources
    // cannot turn the notices into a flood of their own.
    static constexpr int NamedStations = 5;

    LineBudget(TranscriptSink& transcript, const HostAddresses& hosts,
               RateLimiter::Clock clock = RateLimiter::steadyMilliseconds,
               QObject* parent = nullptr);

    // Writes the line unless source has used up its budget. Lines of this host's own station,
    // and lines that did not come from the network (empty source), always pass.
    void appendLine(const QString& source, const QString& text, LineLook look = LineLook::Chat,
                    const QString& nick = {});
    void appendBareLine(const QString& source, const QString& text, LineLook look);
    // Lines held back since the last notice.
    quint64 heldBack() const;

    void setNoticeInterval(std::chrono::milliseconds interval) { m_notices.setInterval(interval); }

private:
    // Whether a line from source may be written now; counts it as held back if not.
    bool admit(const QString& source);
    // Lines a source may still write, refilled at LinesPerSecond up to BurstLines.
    struct Budget {
        double lines = BurstLines;
        qint64 at = 0; // when it was last refilled
    };

    bool spend(const QString& source);
    void forgetFullBudgets(qint64 now);
    void holdBack(const QString& source);
    void writeNotices();

    TranscriptSink& m_transcript;
    const HostAddresses& m_hosts;
    RateLimiter::Clock m_clock;
    QHash<QString, Budget> m_budgets; // a source with a full budget needs no entry
    qint64 m_lastSweep = 0;
    QHash<QString, quint64> m_heldBack; // per station, at most MaxSources of them
    quint64 m_heldBackUnnamed = 0; // from stations beyond that
    QTimer m_notices;
};
