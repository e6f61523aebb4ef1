// The saved history: a file per day, appended to only, bounded, written off the caller's thread.
#include "core/app/HistoryLog.h"

#include <QDir>
#include <QFile>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QDate Eve(2026, 12, 31), NewYear(2027, 1, 1);

// A log on a folder of its own, at the time the test sets; restarted over the same folder.
struct History {
    explicit History(HistoryLimits limits = {}) { restart(limits); }
    void restart(HistoryLimits limits = {})
    {
        log.reset(); // what the old one holds is written first
        log = std::make_unique<HistoryLog>(
            dir.filePath(QStringLiteral("historie")), [this] { return now; }, limits);
        log->setEnabled(true);
    }
    void append(const QList<QByteArray>& lines) const
    {
        for (const QByteArray& line : lines)
            log->append(line + "\r\n");
    }
    QByteArray day(QDate date) const
    {
        log->waitUntilWritten();
        QFile file(log->fileOf(date));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
    }

    QTemporaryDir dir;
    QDateTime now{Eve, QTime(23, 59, 59)};
    std::unique_ptr<HistoryLog> log;
};

} // namespace

class tst_History final : public QObject {
    Q_OBJECT

private slots:
    // A day's file across runs: appended to, never rewritten; the line that would pass the
    // bound is replaced by one note, said once however often the program starts. At midnight
    // the next day's file; nothing while off.
    void aDayAcrossRunsAndMidnight()
    {
        History h({.dayBytes = 12});
        h.append({"a"});
        h.restart({.dayBytes = 12});
        h.append({"b", "1234567", "c"});
        const QByteArray full = h.day(Eve);
        QVERIFY2(full.startsWith("a\r\nb\r\n") && full.count("\r\n") == 3 && !full.contains('7') &&
                     !full.endsWith("c\r\n"),
                 full.constData());
        h.restart({.dayBytes = 12});
        h.append({"d"});
        QCOMPARE(h.day(Eve), full);
        h.now = QDateTime(NewYear, QTime(0, 0));
        h.append({"e"});
        h.log->setEnabled(false);
        h.append({"off"});
        h.log->setEnabled(true);
        h.append({"f"});
        QCOMPARE(h.day(NewYear), QByteArray("e\r\nf\r\n"));
    }

    // A day that cannot be written is told once, however many entries are lost with it.
    void anUnwritableDayIsToldOnce()
    {
        History h;
        QVERIFY(QFile(h.log->folder()).open(QIODevice::WriteOnly)); // a file where the folder goes
        QSignalSpy failed(h.log.get(), &HistoryLog::writeFailed);
        h.append({"a", "b"});
        h.log->waitUntilWritten();
        QTRY_COMPARE(failed.count(), 1);
        QCOMPARE(failed.at(0).at(0).toString(), h.log->fileOf(Eve));
    }

    // Days past the kept ones go at start-up; what is not named as a day stays.
    void startUpDeletesOnlyOldDays()
    {
        const std::pair<const char*, bool> files[] = {
            {"2025-12-31.txt", true}, {"2025-12-30.txt", false}, {"2001-01-01.txt", false},
            {"2027-01-01.txt", true}, {"2001-13-01.txt", true},  {"2001-01-01.log", true},
            {"poznamky.txt", true}};
        History h;
        QDir folder(h.log->folder());
        QVERIFY(folder.mkpath(QStringLiteral(".")));
        for (const auto& [name, kept] : files)
            QVERIFY(QFile(folder.filePath(QLatin1String(name))).open(QIODevice::WriteOnly));
        h.log->pruneOldDays();
        h.log->waitUntilWritten();
        for (const auto& [name, kept] : files)
            QVERIFY2(folder.exists(QLatin1String(name)) == kept, name);
    }

    // While the writer is held up, appends return having written nothing; past the backlog's
    // bound entries are counted, and the count is written before the next one.
    void aFloodNeverWaitsForTheWriter()
    {
        History h({.backlogBytes = 4096});
        QSemaphore entered, held;
        auto* onWriter = new QObject;
        onWriter->moveToThread(h.log->writerThread());
        QMetaObject::invokeMethod(onWriter, [&entered, &held, onWriter] {
            entered.release();
            held.acquire();
            onWriter->deleteLater();
        });
        entered.acquire();
        QList<QByteArray> flood;
        for (int i = 0; i < 1000; ++i)
            flood << QByteArray::number(i).rightJustified(4, '0');
        h.append(flood);
        QVERIFY(!QFile::exists(h.log->fileOf(Eve)));
        held.release();
        h.log->waitUntilWritten();
        h.append({"last"});
        const QByteArray written = h.day(Eve);
        const qsizetype kept = written.count("\r\n") - 2; // before the note and "last"
        QVERIFY(kept > 0 && written.startsWith(flood.mid(0, kept).join("\r\n") + "\r\n"));
        QVERIFY(written.endsWith(QByteArray::number(flood.size() - kept) + "\r\nlast\r\n"));
    }
};

QTEST_GUILESS_MAIN(tst_History)
#include "tst_history.moc"
