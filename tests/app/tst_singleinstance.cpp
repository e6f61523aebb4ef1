#include "app/SingleInstance.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_SingleInstance final : public QObject {
    Q_OBJECT

private slots:
    void secondCopyIsRefusedUntilTheFirstEnds()
    {
        QTemporaryDir folder;
        const QString lock = folder.filePath(QStringLiteral("kestrowind2.lock"));
        {
            SingleInstance first(lock);
            QVERIFY(first.tryAcquire());
            SingleInstance second(lock);
            QVERIFY(!second.tryAcquire());
        }
        SingleInstance later(lock);
        QVERIFY(later.tryAcquire());
    }

    // A copy that crashed leaves its lock behind; the next start must not obey it.
    void lockOfADeadProcessIsTakenOver()
    {
        QTemporaryDir folder;
        const QString lock = folder.filePath(QStringLiteral("kestrowind2.lock"));
        QFile stale(lock);
        QVERIFY(stale.open(QIODevice::WriteOnly));
        // The lock file's own format: pid, application name, host name.
        stale.write("2147483646\nkestrowind2\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        stale.close();
        SingleInstance instance(lock);
        QVERIFY(instance.tryAcquire());
    }
};

QTEST_GUILESS_MAIN(tst_SingleInstance)
#include "tst_singleinstance.moc"
