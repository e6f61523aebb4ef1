#include "app/Autostart.h"
#include "app/Platform.h"
#include "app/Settings.h"
#include "app/SettingsStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QStringList BoxKeys{QStringLiteral("afterstart"), QStringLiteral("totray"),
                          QStringLiteral("tooltip"),    QStringLiteral("playsound"),
                          QStringLiteral("maxokno"),    QStringLiteral("playwhenmin")};

Options allBoxes(bool checked)
{
    Options options;
    options.afterstart = options.totray = options.tooltip = options.playsound = options.maxokno =
        options.playwhenmin = checked;
    return options;
}

// A store and an autostart folder of the test's own.
struct Sandbox {
    QTemporaryDir dir;
    QSettingsStore store{dir.filePath(QStringLiteral("config"))};
    PlatformAutostart autostart{dir.filePath(QStringLiteral("autostart"))};
    QString folder = QCoreApplication::applicationDirPath();

    QString read(const QString& key, const QString& section = QStringLiteral("options")) const
    {
        return store.read(QStringLiteral("kestrowind2"), section, key, QStringLiteral("<none>"));
    }
    void write(const QString& key, const QString& value)
    {
        store.write(QStringLiteral("kestrowind2"), QStringLiteral("options"), key, value);
    }
};

} // namespace

class tst_Settings final : public QObject {
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

    void firstRunTakesLoginNameAndSavesAllOff()
    {
        Sandbox box;
        box.write(QStringLiteral("nick"), QStringLiteral("stored nick"));
        QVERIFY(box.autostart.enable(QStringLiteral("/stale/entry")));

        Options options;
        QCOMPARE(LoadSettings(box.store, options), LoadOutcome::FirstRun);
        Options expected;
        expected.nick = Platform::GetWindowsUserName();
        QCOMPARE(options, expected);
        QCOMPARE(box.read(QStringLiteral("first")), QStringLiteral("true"));

        SaveSettings(box.store, options, box.folder, box.autostart);
        for (const QString& key : BoxKeys)
            QCOMPARE(box.read(key), QStringLiteral("0"));
        QCOMPARE(box.read(QStringLiteral("nick")), options.nick);
        QCOMPARE(box.read(QStringLiteral("path"), QStringLiteral("uss3")), box.folder);
        QCOMPARE(box.read(QStringLiteral("build"), QStringLiteral("uss3")), QStringLiteral("15"));
        QVERIFY(!box.autostart.isEnabled());
        QCOMPARE(LoadSettings(box.store, options), LoadOutcome::Loaded);
    }

    void laterRunsLoadWhatWasSaved_data()
    {
        QTest::addColumn<QString>("first");
        QTest::newRow("true") << QStringLiteral("true");
        QTest::newRow("other text") << QStringLiteral("no");
    }

    void laterRunsLoadWhatWasSaved()
    {
        QFETCH(QString, first);
        Sandbox box;
        Options saved;
        saved.totray = saved.playsound = saved.playwhenmin = true;
        SaveSettings(box.store, saved, box.folder, box.autostart);
        box.write(QStringLiteral("first"), first);

        Options loaded = allBoxes(true);
        loaded.nick = QStringLiteral("left over");
        QCOMPARE(LoadSettings(box.store, loaded), LoadOutcome::Loaded);
        // The empty nick comes back empty, not as the login name.
        QCOMPARE(loaded, saved);
    }

    void malformedStatesLeaveBoxesAlone_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::newRow("word") << QStringLiteral("abc");
        QTest::newRow("out of range") << QStringLiteral("2");
        QTest::newRow("empty") << QString();
        QTest::newRow("leading blank") << QStringLiteral(" 1");
    }

    void malformedStatesLeaveBoxesAlone()
    {
        QFETCH(QString, stored);
        Sandbox box;
        box.write(QStringLiteral("first"), QStringLiteral("true"));
        for (const QString& key : BoxKeys)
            box.write(key, stored);
        for (const bool before : {false, true}) {
            Options options = allBoxes(before);
            LoadSettings(box.store, options);
            QCOMPARE(options, allBoxes(before));
        }
    }

    void autostartFollowsAfterstart()
    {
        Sandbox box;
        Options options;
        options.afterstart = true;
        SaveSettings(box.store, options, box.folder, box.autostart);
        QFile file(box.autostart.entryLocation());
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        QCOMPARE(lines.value(0), QStringLiteral("[Desktop Entry]"));
        for (const char* line :
             {"Type=Application", "Name=Kestrowind 2", "X-GNOME-Autostart-enabled=true"})
            QVERIFY2(lines.contains(QLatin1String(line)), line);
        QVERIFY(lines.contains(QStringLiteral("Exec=") + QCoreApplication::applicationFilePath()));

        options.afterstart = false;
        SaveSettings(box.store, options, box.folder, box.autostart);
        QVERIFY(!QFile::exists(box.autostart.entryLocation()));
        QVERIFY(box.autostart.disable());

        // An autostart folder that cannot be made costs the entry, not the options.
        PlatformAutostart blocked(box.dir.filePath(QStringLiteral("config/kestrowind2.ini/x")));
        options.afterstart = true;
        SaveSettings(box.store, options, box.folder, blocked);
        QVERIFY(!blocked.isEnabled());
        QCOMPARE(box.read(QStringLiteral("afterstart")), QStringLiteral("1"));
    }

    void execArgumentIsQuotedWhenItMustBe_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("exec");
        QTest::newRow("plain") << QStringLiteral("/opt/chat/kw") << QStringLiteral("/opt/chat/kw");
        QTest::newRow("blank") << QStringLiteral("/opt/my chat/kw")
                               << QStringLiteral("\"/opt/my chat/kw\"");
        // Inside quotes \ and $ are escaped once for Exec and the backslashes again for the file.
        QTest::newRow("dollar and backslash")
            << QStringLiteral("/opt/a$b\\c/kw") << QStringLiteral("\"/opt/a\\\\$b\\\\\\\\c/kw\"");
        QTest::newRow("percent") << QStringLiteral("/opt/100%/kw")
                                 << QStringLiteral("/opt/100%%/kw");
    }

    void execArgumentIsQuotedWhenItMustBe()
    {
        QFETCH(QString, path);
        QFETCH(QString, exec);
        QCOMPARE(DesktopExecArgument(path), exec);
    }

    void commandKeepsADoubledSeparatorAtTheRoot()
    {
        const QString name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        QCOMPARE(AutostartCommand(QStringLiteral("/")), QStringLiteral("//") + name);
    }

private:
    QTemporaryDir m_home;
};

QTEST_GUILESS_MAIN(tst_Settings)
#include "tst_settings.moc"
