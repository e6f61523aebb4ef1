// A second start of the real program, as a user double-clicks its icon once more: the running
// copy's window comes up and the second start ends quietly. Only a copy that does not answer
// (stopped) earns the warning, and a copy that crashed leaves nothing that blocks the next.
// The copies run in a network namespace of their own, so that nothing they announce leaves it.
#include "NetnsLab.h"

#include <QtTest>

#include <csignal>

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
        // One user's copies: the same runtime folder, each with settings of its own.
        const auto started = [&](const QStringList& args = {}) {
            auto copy = std::make_unique<StationProcess>(lab.namespaceName(1), KW_STATION_PROBE,
                                                         args, QStringLiteral("druhy"));
            copy->setRuntimeFolder(runtime.path());
            return copy->start() ? std::move(copy) : nullptr;
        };
        const auto endsQuietly = [&] {
            auto copy = started();
            QVERIFY(copy);
            QVERIFY2(copy->exitsCleanly(5000), qPrintable(copy->describe()));
            QCOMPARE(copy->seen("BOX"), 0);
        };

        auto first = started({"/hide"});
        QVERIFY(first);
        QTRY_COMPARE_WITH_TIMEOUT(first->latest("WINDOW"), QStringLiteral("minimized"), 10000);
        endsQuietly();
        QTRY_COMPARE(first->latest("WINDOW"), QStringLiteral("normal"));

        // A stopped copy holds the lock but cannot answer: after the wait, the warning.
        ::kill(pid_t(first->processId()), SIGSTOP);
        auto third = started();
        QVERIFY(third);
        QTRY_VERIFY_WITH_TIMEOUT(third->seen("BOX") == 1, 10000);
        QVERIFY(third->latest("BOX").startsWith(QStringLiteral("Duplicitní spuštění|")));
        QVERIFY(third->isRunning()); // the box waits for the user
        third.reset();

        // A copy killed outright leaves its lock and socket behind; the next start runs, and
        // answers the one after it.
        ::kill(pid_t(first->processId()), SIGKILL);
        first.reset();
        auto fourth = started({"/hide"});
        QVERIFY(fourth);
        QTRY_COMPARE_WITH_TIMEOUT(fourth->latest("WINDOW"), QStringLiteral("minimized"), 10000);
        endsQuietly();
        QTRY_COMPARE(fourth->latest("WINDOW"), QStringLiteral("normal"));
    }
};

QTEST_GUILESS_MAIN(tst_SecondStart)
#include "tst_secondstart.moc"
