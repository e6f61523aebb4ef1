// What a start decides before any window: the command line's switches, whether another copy
// runs, and that Qt's own texts speak Czech.
#include "app/CommandLine.h"
#include "app/SingleInstance.h"
#include "app/Translations.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_Startup final : public QObject {
    Q_OBJECT

private slots:
    void switches_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("set"); // of "help", "hide", "uninstall"
        const auto row = [](const char* name, QStringList arguments, QString set) {
            QTest::newRow(name) << arguments << set;
        };
        row("none", {}, "");
        row("hide upper case", {"/HIDE"}, "hide");
        row("hide among words", {"x", "a/hideb", "y"}, "hide");
        row("help and hide", {"/hide", "/?"}, "help hide");
        row("uninstall exactly", {"/uninstall"}, "uninstall");
        row("uninstall other case", {"/Uninstall"}, "");
        row("uninstall and more", {"/uninstall", "now"}, "");
    }

    void switches()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, set);
        arguments.prepend(QStringLiteral("/usr/bin/kestrowind2"));
        const StartOptions start = CommandLine::parse(CommandLine::argumentText(arguments));
        const QStringList found{start.help ? "help" : "", start.hide ? "hide" : "",
                                start.uninstall ? "uninstall" : ""};
        QCOMPARE(found.join(' ').simplified(), set);
    }

    // A second copy is refused until the first ends; a copy that crashed leaves its lock
    // behind, and the next start must not obey it.
    void oneCopyRunsAndADeadOnesLockIsTakenOver()
    {
        QTemporaryDir folder;
        const QString lock = folder.filePath(QStringLiteral("kestrowind2.lock"));
        {
            SingleInstance first(lock);
            QVERIFY(first.tryAcquire());
            SingleInstance second(lock);
            QVERIFY(!second.tryAcquire());
        }
        for (const bool crashed : {false, true}) {
            QFile stale(lock);
            // The lock file's own format: pid, application name, host name.
            if (crashed && stale.open(QIODevice::WriteOnly))
                stale.write("2147483646\nkestrowind2\n" + QSysInfo::machineHostName().toUtf8() +
                            "\n");
            stale.close();
            SingleInstance later(lock);
            QVERIFY(later.tryAcquire());
        }
    }

    // The standard buttons of every message box read "Ano" and "Ne".
    void standardButtonsSpeakCzech()
    {
        QVERIFY(installCzechTranslations());
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Ano"));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&No"), QStringLiteral("&Ne"));
    }
};

QTEST_GUILESS_MAIN(tst_Startup)
#include "tst_startup.moc"
