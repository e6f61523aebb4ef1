// What a start decides before any window, and the options as stored and as autostart entry.
#include "core/app/Autostart.h"
#include "core/app/CommandLine.h"
#include "core/app/Platform.h"
#include "core/app/Settings.h"
#include "core/app/SettingsStore.h"
#include "core/app/SingleInstance.h"
#include "core/app/Translations.h"
#include "core/app/Version.h"
#include "core/net/ExtraAddresses.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const char* const BoxKeys[] = {"afterstart", "totray",      "tooltip",    "playsound",
                               "maxokno",    "playwhenmin", "savehistory"};

// A store and an autostart folder of the test's own; the store counts its writes.
struct Sandbox final : SettingsStore {
    static Options allBoxes(bool on) { return {{}, on, on, on, on, on, on, on}; }
    QString readOption(const char* key, const char* section = "options") const
    {
        return store.read(App, QLatin1String(section), QLatin1String(key));
    }
    void writeOption(const char* key, const QString& v)
    {
        store.write(App, Opts, QLatin1String(key), v);
    }
    void save(const Options& options) { saveSettings(*this, options, folder, autostart); }

    QString read(const QString& a, const QString& s, const QString& k,
                 const QString& d) const override
    {
        return store.read(a, s, k, d);
    }
    void write(const QString& a, const QList<Value>& values) override
    {
        ++writes;
        store.write(a, values);
    }
    void deleteApplication(const QString& a) override { store.deleteApplication(a); }

    const QString App = QStringLiteral("kestrowind2"), Opts = QStringLiteral("options");
    QTemporaryDir dir;
    QSettingsStore store{dir.filePath(QStringLiteral("config"))};
    PlatformAutostart autostart{dir.filePath(QStringLiteral("autostart"))};
    QString folder = QCoreApplication::applicationDirPath();
    int writes = 0;
};

} // namespace

class tst_App final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("XDG_CONFIG_HOME", m_home.path().toLocal8Bit());
        QCOMPARE(PlatformAutostart().entryLocation(),
                 m_home.filePath(QStringLiteral("autostart/Kestrowind.desktop")));
        QVERIFY(installCzechTranslations());
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Ano"));
    }

    void firstRunThenLaterRuns()
    {
        Sandbox box;
        box.writeOption("nick", QStringLiteral("stored nick"));
        QVERIFY(box.autostart.enable(QStringLiteral("/stale/entry")));
        Options options;
        QCOMPARE(loadSettings(box, options), LoadOutcome::FirstRun);
        QCOMPARE(options, Options{Platform::loginName()});
        QCOMPARE(box.readOption("first"), QStringLiteral("true"));
        box.save(options);
        QCOMPARE(box.readOption("nick"), options.nick);
        QVERIFY(!box.autostart.isEnabled());

        const Options saved{{}, false, true, false, true, false, true, false}; // every other box
        box.writes = 0;
        box.save(saved);
        QCOMPARE(box.writes, 1);
        for (int i = 0; i < 7; ++i)
            QCOMPARE(box.readOption(BoxKeys[i]), QString::number(i % 2));
        QCOMPARE(box.readOption("path", "uss3"), box.folder);
        QCOMPARE(box.readOption("build", "uss3"), QString::number(Version::Build));
        for (const QString first : {"true", "no"}) {
            box.writeOption("first", first);
            Options loaded = Sandbox::allBoxes(true);
            loaded.nick = QStringLiteral("left over");
            QCOMPARE(loadSettings(box, loaded), LoadOutcome::Loaded);
            QCOMPARE(loaded, saved);
        }
        // A malformed state leaves a box as it was.
        for (const QString stored : {"abc", "2", "", " 1"}) {
            for (const char* key : BoxKeys)
                box.writeOption(key, stored);
            for (const bool before : {false, true}) {
                Options kept = Sandbox::allBoxes(before);
                loadSettings(box, kept);
                QVERIFY2(kept == Sandbox::allBoxes(before), qPrintable(stored));
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

        PlatformAutostart blocked(box.dir.filePath(QStringLiteral("config/kestrowind2.ini/x")));
        options.startWithSystem = true;
        saveSettings(box, options, box.folder, blocked);
        QVERIFY(!blocked.isEnabled());
        QCOMPARE(box.readOption("afterstart"), QStringLiteral("1"));
    }

    // What the dialog accepts and points out; a stored list is read for what is usable in it,
    // and a file from before the network options reads as none, automatic. (Saving: the
    // dialog's test.)
    void extraAddressesAsWrittenAndAsStored()
    {
        QStringList many;
        for (int i = 1; i <= ExtraAddresses::Most + 1; ++i)
            many << QStringLiteral("10.9.%1.255").arg(i);
        const QStringList refused{"10.1.2.256", "10.1.2",     "0.0.0.0",
                                  "127.0.0.1",  "224.0.0.1",  "255.255.255.255",
                                  "010.1.2.3",  "10.1.2.3.4", "pc-jany"};
        const std::tuple<QString, QStringList, QStringList> cases[] = {
            {" ,10.1.2.255, 10.1.3.7\n192.168.5.255\t10.1.3.7,,", // each once, in order
             {"10.1.2.255", "10.1.3.7", "192.168.5.255"},
             {}},
            {refused.join(QLatin1Char(' ')) + " 10.1.2.3", {"10.1.2.3"}, refused},
            {many.mid(1).join(' '), many.mid(1), {}},
            {many.join('\n'), many, {}}};
        Sandbox box;
        box.writeOption("first", QStringLiteral("true"));
        Options options;
        QCOMPARE(loadSettings(box, options), LoadOutcome::Loaded);
        QCOMPARE(options, Options{});
        for (const auto& [text, valid, invalid] : cases) {
            const ExtraAddresses::Parsed parsed = ExtraAddresses::parse(text);
            QVERIFY(parsed.addresses == valid && parsed.invalid == invalid);
            QCOMPARE(parsed.tooMany, valid.size() > ExtraAddresses::Most);
            box.writeOption("extraips", text);
            loadSettings(box, options);
            QCOMPARE(options.extraAddresses, valid.mid(0, ExtraAddresses::Most));
        }
    }

    void execArgumentIsQuotedWhenItMustBe()
    {
        const std::pair<const char*, const char*> cases[] = {
            {"/opt/chat/kw", "/opt/chat/kw"},
            {"/opt/my chat/kw", "\"/opt/my chat/kw\""},
            {"/opt/a$b\\c/kw", "\"/opt/a\\\\$b\\\\\\\\c/kw\""},
            {"/opt/100%/kw", "/opt/100%%/kw"}};
        for (const auto& [path, exec] : cases)
            QCOMPARE(desktopExecArgument(QLatin1String(path)), QLatin1String(exec));
        const QString name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        QCOMPARE(autostartCommand(QStringLiteral("/")), QStringLiteral("//") + name);
    }

    // "/?" and "/hide" anywhere in any case; "/uninstall" only as the whole text.
    void switches()
    {
        const std::pair<QStringList, QString> cases[] = {{{}, ""},
                                                         {{"/HIDE"}, "hide"},
                                                         {{"x", "a/hideb", "y"}, "hide"},
                                                         {{"/hide", "/?"}, "help hide"},
                                                         {{"/uninstall"}, "uninstall"},
                                                         {{"/Uninstall"}, ""},
                                                         {{"/uninstall", "now"}, ""}};
        for (const auto& [arguments, set] : cases) {
            const StartOptions start = CommandLine::parse(
                CommandLine::argumentText(QStringList{"/usr/bin/kestrowind2"} + arguments));
            const QStringList found{start.help ? "help" : "", start.hide ? "hide" : "",
                                    start.uninstall ? "uninstall" : ""};
            QCOMPARE(found.join(' ').simplified(), set);
        }
    }

    // A second copy is refused; a crashed one's lock and socket are taken over, by the holder.
    void oneCopyRunsAndADeadOnesLeftoversAreTakenOver()
    {
        QTemporaryDir folder;
        const QString lock = folder.filePath(QStringLiteral("kestrowind2.lock"));
        {
            SingleInstance first(lock), second(lock);
            QVERIFY(first.tryAcquire());
            QVERIFY(!second.tryAcquire() && !second.listen());
        }
        QVERIFY(SingleInstance(lock).tryAcquire());
        QFile stale(lock);
        QVERIFY(stale.open(QIODevice::WriteOnly) && stale.write("2147483646\nkestrowind2\n") &&
                stale.write(QSysInfo::machineHostName().toUtf8() + "\n") && stale.flush());
        SingleInstance later(lock);
        QVERIFY(QFile(later.socketPath()).open(QIODevice::WriteOnly));
        QVERIFY(!later.listen());
        QVERIFY(later.tryAcquire() && later.listen());
    }

    // The running copy answers only the show request and closes every connection itself.
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
        if (sent.isEmpty())
            running.setRequestTimeout(std::chrono::milliseconds(5));
        QVERIFY(running.tryAcquire() && running.listen());
        QSignalSpy requests(&running, &SingleInstance::showRequested);
        QLocalSocket peer;
        peer.connectToServer(running.socketPath());
        QVERIFY(peer.waitForConnected(1000));
        peer.write(sent);
        QTRY_COMPARE(peer.state(), QLocalSocket::UnconnectedState);
        QCOMPARE(requests.count(), shown);
        QCOMPARE(peer.readAll(), shown ? QByteArray(SingleInstance::ShownAnswer) : QByteArray());
    }

private:
    QTemporaryDir m_home;
};

QTEST_GUILESS_MAIN(tst_App)
#include "tst_app.moc"
