// A second start of the real program, as a user double-clicks its icon once more: the running
// copy's window comes up and the second start ends quietly. Only a copy that does not answer
// (stopped) earns the warning, and a copy that crashed leaves nothing that blocks the next.
// The copies run in a network namespace of their own, so that nothing they announce leaves it.
#include "NetnsLab.h"

#include <QtTest>

#include <csignal>

namespace {
// One user's copies: the same runtime folder, each with settings of its own.
struct Copy {
    Copy(const NetnsLab& lab, const QString& runtime, const QStringList& args = {})
        : process(lab.namespaceName(1), KW_STATION_PROBE, args, QStringLiteral("druhy"))
    {
        process.setRuntimeFolder(runtime);
    }
    StationProcess process;
};
} // namespace

class tst_SecondStart final : public QObject {
    Q_OBJECT

private slots:
    void secondStartBringsTheRunningCopyUp()
    {
        NetnsLab lab(QStringLiteral(KW_NETNS_PREFIX), 1);
        if (!lab.available())
            QSKIP(qPrintable(lab.reason()));
        QTemporaryDir runtime;
        QVERIFY(QFile::setPermissions(runtime.path(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

        auto first = std::make_unique<Copy>(lab, runtime.path(), QStringList{"/hide"});
        QVERIFY(first->process.start());
        QTRY_COMPARE_WITH_TIMEOUT(first->process.latest("WINDOW"), QStringLiteral("minimized"),
                                  10000);

        // The running copy answers: its window comes back, and the second start says nothing.
        {
            Copy second(lab, runtime.path());
            QVERIFY(second.process.start());
            QVERIFY2(second.process.exitsCleanly(5000), qPrintable(second.process.describe()));
            QCOMPARE(second.process.seen("BOX"), 0);
        }
        QTRY_COMPARE(first->process.latest("WINDOW"), QStringLiteral("normal"));

        // A stopped copy holds the lock but cannot answer: after the wait, the warning.
        ::kill(pid_t(first->process.processId()), SIGSTOP);
        {
            Copy third(lab, runtime.path());
            QVERIFY(third.process.start());
            QTRY_VERIFY_WITH_TIMEOUT(third.process.seen("BOX") == 1, 10000);
            QVERIFY(third.process.latest("BOX").startsWith(QStringLiteral("Duplicitní spuštění|")));
            QVERIFY(third.process.isRunning()); // the box waits for the user
        }

        // A copy killed outright leaves its lock and socket behind; the next start runs, and
        // answers the one after it.
        ::kill(pid_t(first->process.processId()), SIGKILL);
        first.reset();
        Copy fourth(lab, runtime.path(), {"/hide"});
        QVERIFY(fourth.process.start());
        QTRY_COMPARE_WITH_TIMEOUT(fourth.process.latest("WINDOW"), QStringLiteral("minimized"),
                                  10000);
        Copy fifth(lab, runtime.path());
        QVERIFY(fifth.process.start());
        QVERIFY2(fifth.process.exitsCleanly(5000), qPrintable(fifth.process.describe()));
        QTRY_COMPARE(fourth.process.latest("WINDOW"), QStringLiteral("normal"));
    }
};

QTEST_GUILESS_MAIN(tst_SecondStart)
#include "tst_secondstart.moc"
