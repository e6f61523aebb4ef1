#pragma once

#include <QDateTime>
#include <QObject>
#include <QThread>

#include <atomic>
#include <functional>

class HistoryWriter;

// What the saved history may take.
struct HistoryLimits {
    // A day's file stops growing here; one last line says so.
    qint64 dayBytes = qint64(256) << 20;
    // Older days are deleted at start-up.
    int keptDays = 365;
    // Handed over but not yet written, with what each entry costs on its way. Past it, entries
    // are only counted until the writer catches up, and the count is written in their place.
    qint64 backlogBytes = qint64(16) << 20;
};

// The transcript kept on disk while the user wants it, one file per day. Entries are handed
// over on the GUI thread and written by a thread of its own, so neither a slow disk nor a
// flood of lines holds the window up. A day's file is only ever appended to.
class HistoryLog final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HistoryLog)

public:
    using Clock = std::function<QDateTime()>;
    using Limits = HistoryLimits;

    // An empty clock reads the local date and time.
    explicit HistoryLog(QString folder, Clock clock = {}, Limits limits = {},
                        QObject* parent = nullptr);
    // Writes all that was handed over, then lets the thread go.
    ~HistoryLog() override;

    // "historie" in the user's data folder.
    static QString defaultFolder();
    QString folder() const { return m_folder; }
    // The file of a day, whether or not it exists.
    QString fileOf(QDate day) const;

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    // One entry in the form it is stored in, line end included; nothing while off.
    void append(const QByteArray& text);
    // Deletes the day files older than the kept days; other files in the folder stay.
    void pruneOldDays();
    // The folder and all in it, and the data folder above it if that is left empty.
    bool removeFolder();
    // Returns once everything handed over so far is written and flushed.
    void waitUntilWritten();
    // Where the writing happens; null before anything needed it.
    QThread* writerThread();

signals:
    // A day's file could not be opened or written; said once per file.
    void writeFailed(const QString& path);

private:
    HistoryWriter& writer();

    const QString m_folder;
    const Clock m_clock;
    const Limits m_limits;
    bool m_enabled = false;
    QThread m_thread;
    HistoryWriter* m_writer = nullptr; // lives on m_thread and is deleted there
    std::atomic<qint64> m_backlog{0};
    qint64 m_dropped = 0;
};
