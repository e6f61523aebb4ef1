// What a start decides before any window (the command line's switches, whether another copy
// runs, Czech for Qt's own texts), and the options as stored and as the autostart entry.
#include "core/app/Autostart.h"
#include "core/app/CommandLine.h"
#include "core/app/Platform.h"
#include "core/app/Settings.h"
#include "core/app/SettingsStore.h"
#include "core/app/SingleInstance.h"
#include "core/app/Translations.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const char* const BoxKeys[] = {"afterstart", "totray",  "tooltip",
                               "playsound",  "maxokno", "playwhenmin"};

// A store and an autostart folder of the test's own.
struct Sandbox {
    static Options allBoxes(bool on) { return {{}, on, on, on, on, on, on}; }
    QString read(const char* key, const char* section = "options") const
    {
        return store.read(App, QLatin1String(section), QLatin1String(key));
    }
    void write(const char* key, const QString& v) { store.write(App, Opts, QLatin1String(key), v); }
    void save(const Options& options) { saveSettings(store, options, folder, autostart); }

    const QString App = QStringLiteral("kestrowind2"), Opts = QStringLiteral("options");
    QTemporaryDir dir;
    QSettingsStore store{dir.filePath(QStringLiteral("config"))};
    PlatformAutostart autostart{dir.filePath(QStringLiteral("autostart"))};
    QString folder = QCoreApplication::applicationDirPath();
};

} // namespace

class tst_App final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Anything that falls back to the user's folders lands here instead.
        QVERIFY(m_home.isValid());
        qputenv("XDG_CONFIG_HOME", m_home.path().toLocal8Bit());
        QCOMPARE(PlatformAutostart().entryLocation(),
                 m_home.filePath(QStringLiteral("autostart/Kestrowind.desktop")));
    }

    void firstRunThenLaterRuns()
    {
        Sandbox box;
        box.write("nick", QStringLiteral("stored nick"));
        QVERIFY(box.autostart.enable(QStringLiteral("/stale/entry")));
        Options options;
        QCOMPARE(loadSettings(box.store, options), LoadOutcome::FirstRun);
        QCOMPARE(options, Options{Platform::loginName()});
        QCOMPARE(box.read("first"), QStringLiteral("true"));
        box.save(options);
        QCOMPARE(box.read("nick"), options.nick);
        QVERIFY(!box.autostart.isEnabled());

        Options saved; // every other box ticked, and the nick empty
        saved.startMinimised = saved.playSound = saved.playSoundWhenMinimised = true;
        box.save(saved);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(box.read(BoxKeys[i]), QString::number(i % 2));
        QCOMPARE(box.read("path", "uss3"), box.folder);
        QCOMPARE(box.read("build", "uss3"), QStringLiteral("15"));
        // Any mark of a run will do.
        for (const QString first : {"true", "no"}) {
            box.write("first", first);
            Options loaded = Sandbox::allBoxes(true);
            loaded.nick = QStringLiteral("left over");
            QCOMPARE(loadSettings(box.store, loaded), LoadOutcome::Loaded);
            // The empty nick comes back empty, not as the login name.
            QCOMPARE(loaded, saved);
        }
    }

    // However many values, a save rewrites the store once.
    void aSaveIsOneWrite()
    {
        struct CountingStore final : SettingsStore {
            QString read(const QString& a, const QString& s, const QString& k,
                         const QString& d) const override
            {
                return inner.read(a, s, k, d);
            }
            void write(const QString& a, const QList<Value>& values) override
            {
                ++writes;
                inner.write(a, values);
            }
            void deleteApplication(const QString& a) override { inner.deleteApplication(a); }
            QSettingsStore inner;
            int writes = 0;
        };
        Sandbox box;
        CountingStore counting;
        counting.inner = QSettingsStore(box.dir.path());
        saveSettings(counting, Sandbox::allBoxes(true), box.folder, box.autostart);
        QCOMPARE(counting.writes, 1);
        QCOMPARE(counting.read(box.App, box.Opts, QStringLiteral("playwhenmin"), {}), "1");
    }

    void malformedStatesLeaveBoxesAlone()
    {
        for (const QString stored : {"abc", "2", "", " 1"}) {
            Sandbox box;
            box.write("first", QStringLiteral("true"));
            for (const char* key : BoxKeys)
                box.write(key, stored);
            for (const bool before : {false, true}) {
                Options options = Sandbox::allBoxes(before);
                loadSettings(box.store, options);
                QVERIFY2(options == Sandbox::allBoxes(before), qPrintable(stored));
            }
        }
    }

    void autostartFollowsAfterstart()
    {
        Sandbox box;
        Options options;
        options.startWithSystem = true;
        box.save(options);
        QFile file(box.autostart.entryLocation());
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        QCOMPARE(QString::fromUtf8(file.readAll()),
                 QStringLiteral("[Desktop Entry]\nType=Application\nName=Kestrowind 2\nExec=") +
                     QCoreApplication::applicationFilePath() +
                     QStringLiteral("\nIcon=kestrowind2\nX-GNOME-Autostart-enabled=true\n"));

        options.startWithSystem = false;
        box.save(options);
        QVERIFY(!QFile::exists(box.autostart.entryLocation()));
        QVERIFY(box.autostart.disable());

        // An autostart folder that cannot be made costs the entry, not the options.
        PlatformAutostart blocked(box.dir.filePath(QStringLiteral("config/kestrowind2.ini/x")));
        options.startWithSystem = true;
        saveSettings(box.store, options, box.folder, blocked);
        QVERIFY(!blocked.isEnabled());
        QCOMPARE(box.read("afterstart"), QStringLiteral("1"));
    }

    void execArgumentIsQuotedWhenItMustBe()
    {
        const std::pair<const char*, const char*> cases[] = {
            {"/opt/chat/kw", "/opt/chat/kw"},
            {"/opt/my chat/kw", "\"/opt/my chat/kw\""},
            // In quotes \ and $ are escaped for Exec, and the backslashes again for the file.
            {"/opt/a$b\\c/kw", "\"/opt/a\\\\$b\\\\\\\\c/kw\""},
            {"/opt/100%/kw", "/opt/100%%/kw"}};
        for (const auto& [path, exec] : cases)
            QCOMPARE(DesktopExecArgument(QLatin1String(path)), QLatin1String(exec));

        // The root folder gives two separators in a row.
        const QString name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        QCOMPARE(AutostartCommand(QStringLiteral("/")), QStringLiteral("//") + name);
    }

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

    // The running copy answers a request to show its window and nothing else; whatever a
    // peer sends, it never waits for the peer. Each connection is closed by the copy.
    void runningCopyAnswersOnlyTheShowRequest_data()
    {
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<int>("shown");
        QTest::newRow("the request") << QByteArray(SingleInstance::ShowRequest) << 1;
        QTest::newRow("the request twice") << QByteArray("show\nshow\n") << 1;
        QTest::newRow("another word") << QByteArray("open\n") << 0;
        QTest::newRow("a line without end") << QByteArray(100, 'x') << 0;
        QTest::newRow("nothing at all") << QByteArray() << 0;
    }

    void runningCopyAnswersOnlyTheShowRequest()
    {
        QFETCH(QByteArray, sent);
        QFETCH(int, shown);
        QTemporaryDir folder;
        SingleInstance running(folder.filePath(QStringLiteral("kestrowind2.lock")));
        QVERIFY(running.tryAcquire() && running.listen());
        QSignalSpy requests(&running, &SingleInstance::showRequested);
        QLocalSocket peer;
        peer.connectToServer(running.socketPath());
        QVERIFY(peer.waitForConnected(1000));
        peer.write(sent);
        QTRY_COMPARE_WITH_TIMEOUT(peer.state(), QLocalSocket::UnconnectedState,
                                  int(SingleInstance::AnswerTimeout.count()) + 2000);
        QCOMPARE(requests.count(), shown);
        QCOMPARE(peer.readAll(), shown ? QByteArray(SingleInstance::ShownAnswer) : QByteArray());
    }

    // Only the lock's holder listens; it clears what a crashed copy left at the socket's place,
    // and a copy that does not hold the lock touches nothing there.
    void onlyTheLockHolderListensOverALeftover()
    {
        QTemporaryDir folder;
        const QString lock = folder.filePath(QStringLiteral("kestrowind2.lock"));
        SingleInstance running(lock);
        QFile leftover(running.socketPath());
        QVERIFY(leftover.open(QIODevice::WriteOnly));
        leftover.close();
        QVERIFY(!running.listen());
        QVERIFY(running.tryAcquire() && running.listen());
        SingleInstance later(lock);
        QVERIFY(!later.tryAcquire());
        QVERIFY(!later.listen());
        QLocalSocket peer;
        peer.connectToServer(running.socketPath());
        QVERIFY(peer.waitForConnected(1000));
    }

    // The standard buttons of every message box read "Ano" and "Ne".
    void standardButtonsSpeakCzech()
    {
        QVERIFY(installCzechTranslations());
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Ano"));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&No"), QStringLiteral("&Ne"));
    }

private:
    QTemporaryDir m_home;
};

QTEST_GUILESS_MAIN(tst_App)
#include "tst_app.moc"
