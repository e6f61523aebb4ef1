#include "HistoryLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QTimer>

#include <chrono>
#include <utility>

namespace {

const QString DayFormat = QStringLiteral("yyyy-MM-dd");
const QString Suffix = QStringLiteral(".txt");
// Lines reach the disk at most this late, and a flood costs one flush per period.
constexpr std::chrono::milliseconds FlushDelay{500};

// What an entry waiting for the writer holds in memory: its text and the event carrying it.
qint64 backlogCost(const QByteArray& text)
{
    return text.size() + 256;
}

QByteArray noteLine(const QString& text)
{
    return text.toUtf8() + "\r\n";
}

QString czechNumber(qint64 number)
{
    return QLocale(QLocale::Czech).toString(number);
}

} // namespace

// Owns the open day file; everything here runs on the log's thread.
class HistoryWriter final : public QObject {
public:
    using Failed = std::function<void(const QString& path)>;

    HistoryWriter(const HistoryLog& log, HistoryLog::Limits limits, std::atomic<qint64>& backlog,
                  Failed failed)
        : m_log(log)
        , m_limits(limits)
        , m_backlog(backlog)
        , m_failed(std::move(failed))
    {
        m_flush.setSingleShot(true);
        m_flush.setInterval(FlushDelay);
        connect(&m_flush, &QTimer::timeout, this, &HistoryWriter::flush);
    }

    void write(QDate day, const QByteArray& text)
    {
        if (day != m_day)
            open(day);
        if (m_file.isOpen() && !m_full) {
            if (m_size + text.size() <= m_limits.dayBytes) {
                put(text);
            } else {
                // Over the bound only by this line, which tells a reader why the day ends here.
                m_full = true;
                put(noteLine(QStringLiteral("záznam diskuze za tento den dosáhl %1; další "
                                            "zprávy se do historie neukládají")
                                 .arg(QLocale(QLocale::Czech)
                                          .formattedDataSize(m_limits.dayBytes, 0,
                                                             QLocale::DataSizeIecFormat))));
            }
        }
        m_backlog -= backlogCost(text);
    }

    void flush()
    {
        m_flush.stop();
        if (m_file.isOpen() && !m_file.flush())
            fail();
    }

    // A later write opens the day's file again.
    void close()
    {
        flush();
        m_file.close();
        m_day = {};
    }

    void prune(QDate today)
    {
        const QDate oldestKept = today.addDays(-m_limits.keptDays);
        QDir folder(m_log.folder());
        for (const QString& name : folder.entryList({QLatin1Char('*') + Suffix}, QDir::Files)) {
            // Only what this writer names its files; anything else is the user's.
            const QDate day = QDate::fromString(name.chopped(Suffix.size()), DayFormat);
            if (day.isValid() && day < oldestKept && day.toString(DayFormat) + Suffix == name)
                folder.remove(name);
        }
    }

private:
    void open(QDate day)
    {
        close();
        m_day = day;
        m_reported = false;
        m_file.setFileName(m_log.fileOf(day));
        // Append only: whatever the file holds, from this run or an earlier one, stays as it is.
        if (!QDir().mkpath(m_log.folder()) ||
            !m_file.open(QIODevice::WriteOnly | QIODevice::Append)) {
            fail();
            return;
        }
        m_size = m_file.size();
        m_full = m_size >= m_limits.dayBytes;
    }

    void put(const QByteArray& bytes)
    {
        if (m_file.write(bytes) != bytes.size()) {
            fail();
            return;
        }
        m_size += bytes.size();
        if (!m_flush.isActive())
            m_flush.start();
    }

    // The rest of the day is given up, rather than writing a file with holes in it.
    void fail()
    {
        m_file.close();
        if (!std::exchange(m_reported, true))
            m_failed(m_file.fileName());
    }

    const HistoryLog& m_log;
    const HistoryLog::Limits m_limits;
    std::atomic<qint64>& m_backlog;
    Failed m_failed;
    QFile m_file{this};
    QDate m_day;
    qint64 m_size = 0;
    bool m_full = false;
    bool m_reported = false;
    QTimer m_flush{this};
};

HistoryLog::HistoryLog(QString folder, Clock clock, Limits limits, QObject* parent)
    : QObject(parent)
    , m_folder(std::move(folder))
    , m_clock(clock ? std::move(clock) : [] { return QDateTime::currentDateTime(); })
    , m_limits(limits)
{
    m_thread.setObjectName(QStringLiteral("history"));
}

HistoryLog::~HistoryLog()
{
    if (!m_writer)
        return;
    // Queued behind every write handed over, so none is lost. The thread deletes the writer as
    // it finishes.
    QMetaObject::invokeMethod(
        m_writer,
        [writer = m_writer] {
            writer->close();
            writer->deleteLater();
            QThread::currentThread()->quit();
        },
        Qt::QueuedConnection);
    m_thread.wait();
}

QString HistoryLog::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/historie");
}

QString HistoryLog::fileOf(QDate day) const
{
    return m_folder + QLatin1Char('/') + day.toString(DayFormat) + Suffix;
}

HistoryWriter& HistoryLog::writer()
{
    if (!m_writer) {
        m_writer = new HistoryWriter(*this, m_limits, m_backlog, [this](const QString& path) {
            QMetaObject::invokeMethod(
                this, [this, path] { emit writeFailed(path); }, Qt::QueuedConnection);
        });
        m_writer->moveToThread(&m_thread);
        m_thread.start(QThread::LowPriority);
    }
    return *m_writer;
}

QThread* HistoryLog::writerThread()
{
    writer();
    return &m_thread;
}

void HistoryLog::setEnabled(bool enabled)
{
    if (std::exchange(m_enabled, enabled) == enabled || enabled || !m_writer)
        return;
    QMetaObject::invokeMethod(
        m_writer, [writer = m_writer] { writer->close(); }, Qt::QueuedConnection);
}

void HistoryLog::append(const QByteArray& text)
{
    if (!m_enabled)
        return;
    if (m_backlog + backlogCost(text) > m_limits.backlogBytes) {
        ++m_dropped;
        return;
    }
    QByteArray bytes = text;
    if (m_dropped > 0)
        bytes.prepend(noteLine(QStringLiteral("zprávy, které se nestihly uložit do historie: %1")
                                   .arg(czechNumber(std::exchange(m_dropped, 0)))));
    m_backlog += backlogCost(bytes);
    HistoryWriter* to = &writer();
    QMetaObject::invokeMethod(
        to, [to, day = m_clock().date(), bytes] { to->write(day, bytes); }, Qt::QueuedConnection);
}

void HistoryLog::pruneOldDays()
{
    if (!QDir(m_folder).exists())
        return;
    HistoryWriter* to = &writer();
    QMetaObject::invokeMethod(
        to, [to, today = m_clock().date()] { to->prune(today); }, Qt::QueuedConnection);
}

bool HistoryLog::removeFolder()
{
    if (m_writer)
        QMetaObject::invokeMethod(
            m_writer, [writer = m_writer] { writer->close(); }, Qt::BlockingQueuedConnection);
    if (!QDir(m_folder).removeRecursively())
        return false;
    // Made for the history alone when nothing else is there; rmdir leaves a folder in use.
    QDir().rmdir(QFileInfo(m_folder).path());
    return true;
}

void HistoryLog::waitUntilWritten()
{
    if (m_writer)
        QMetaObject::invokeMethod(
            m_writer, [writer = m_writer] { writer->flush(); }, Qt::BlockingQueuedConnection);
}
