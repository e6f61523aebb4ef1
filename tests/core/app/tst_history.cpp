// The saved history: a file per day, appended to only, bounded, written off the caller's thread.
#include "core/app/HistoryLog.h"

#include <QDir>
#include <QFile>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QDate Eve(2026, 12, 31), NewYear(2027, 1, 1);

struct History {
    explicit History(HistoryLimits limits = {}) { restart(limits); }
    void restart(HistoryLimits limits = {})
    {
        log.reset(); // the old one writes what it holds first
        log = std::make_unique<HistoryLog>(
            dir.filePath(QStringLiteral("historie")), [this] { return now; }, limits);
    }
    QByteArray day(QDate date) const
    {
        log->waitUntilWritten();
        QFile file(log->fileOf(date));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
    }
    void appendAll(const QList<QByteArray>& lines) const
    {
        for (const QByteArray& line : lines)
            log->append(line + "\r\n");
    }

    QTemporaryDir dir;
    QDateTime now{Eve, QTime(23, 59, 59)};
    std::unique_ptr<HistoryLog> log;
};

} // namespace

class tst_History final : public QObject {
    Q_OBJECT

private slots:
    // Nothing while off; at midnight the next file; a file from an earlier run keeps its lines.
    void daysAreAppendedOnlyWhileOn()
    {
        History h;
        h.appendAll({"off"});
        QVERIFY(!QDir(h.log->folder()).exists());
        QDir().mkpath(h.log->folder());
        QFile earlier(h.log->fileOf(Eve));
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier\r\n") == 9);
        earlier.close();

        h.log->setEnabled(true);
        h.appendAll({"a"});
        h.now = QDateTime(NewYear, QTime(0, 0));
        h.appendAll({"b"});
        h.log->setEnabled(false);
        h.appendAll({"off"});
        h.log->setEnabled(true);
        h.appendAll({"c"});
        QCOMPARE(h.day(Eve), QByteArray("earlier\r\na\r\n"));
        QCOMPARE(h.day(NewYear), QByteArray("b\r\nc\r\n"));
    }

    // The line that would pass the bound is replaced by one note; after a restart the day stays
    // full and says so no second time.
    void aFullDayEndsWithOneNote()
    {
        History h({.dayBytes = 10});
        h.log->setEnabled(true);
        h.appendAll({"1234", "5678", "9"});
        const QByteArray full = h.day(Eve);
        QVERIFY2(full.startsWith("1234\r\n") && full.count("\r\n") == 2 && !full.contains("5678"),
                 full.constData());
        h.restart({.dayBytes = 10});
        h.log->setEnabled(true);
        h.appendAll({"0"});
        QCOMPARE(h.day(Eve), full);
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

    // While the writer is held up, appends still return and write nothing themselves; past the
    // backlog's bound entries are counted, and the count is written before the next one.
    void aFloodNeverWaitsForTheWriter()
    {
        History h({.backlogBytes = 4096});
        h.log->setEnabled(true);
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
        h.appendAll(flood);
        QVERIFY(!QFile::exists(h.log->fileOf(Eve)));
        held.release();
        h.log->waitUntilWritten();
        h.appendAll({"last"});
        const QList<QByteArray> written = h.day(Eve).split('\n');
        const qsizetype kept = written.size() - 3; // before the note, "last" and the empty end
        QVERIFY(kept > 0 && kept < flood.size());
        for (qsizetype i = 0; i < kept; ++i)
            QCOMPARE(written[i], flood[i] + '\r');
        QVERIFY(written[kept].endsWith(QByteArray::number(flood.size() - kept) + '\r'));
        QCOMPARE(written[kept + 1], QByteArray("last\r"));
    }
};

QTEST_GUILESS_MAIN(tst_History)
#include "tst_history.moc"
