// The client without a window: the nick it starts under, the banner, "/uninstall", what "/about"
// says; and where the network's lines, notes and questions go while no window is there.
#include "FakeStation.h"
#include "Loopback.h"
#include "core/app/Autostart.h"
#include "core/app/ChatClient.h"
#include "core/app/SettingsStore.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

// A client on loopback with a store and an autostart folder of its own, whose frontend records.
struct Client {
    explicit Client(const QString& loginName = QStringLiteral("jnovak"))
        : client({store, autostart, UdpEndpoints{port, QHostAddress(QHostAddress::LocalHost)},
                  dir.path(), loginName})
    {
        client.attach({transcript, notes, prompts});
    }
    // A returning user, so that nothing greets.
    ChatClient::StartOutcome start(const QString& nick)
    {
        store.write(App, Opts, QStringLiteral("first"), QStringLiteral("true"));
        store.write(App, Opts, QStringLiteral("nick"), nick);
        return client.start({});
    }
    QStringList banner() const
    {
        QStringList texts;
        for (const ChatClient::BannerLine& line : client.startBanner())
            texts << line.text;
        return texts;
    }

    const QString App = QStringLiteral("kestrowind2"), Opts = QStringLiteral("options");
    QTemporaryDir dir;
    QSettingsStore store{dir.filePath(QStringLiteral("config"))};
    PlatformAutostart autostart{dir.filePath(QStringLiteral("autostart"))};
    RecordingTranscript transcript;
    RecordingNotes notes;
    ScriptedPrompts prompts;
    quint16 port = freeUdpPort();
    ChatClient client;
};

} // namespace

class tst_ChatClient final : public QObject {
    Q_OBJECT

private slots:
    // The station goes by the stored nick, else the login name, else "anonymní", and announces
    // itself; "/about" tells the login name and the nick as stored.
    void nickAtStart_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("nick");
        const auto row = [](const char* name, const char* stored, const char* login,
                            const char* nick) {
            QTest::newRow(name) << QString::fromUtf8(stored) << QString::fromUtf8(login)
                                << QString::fromUtf8(nick);
        };
        row("stored", "Jana", "jnovak", "Jana");
        row("login name", "", "jnovak", "jnovak");
        row("neither", "", "", "anonymní");
    }
    void nickAtStart()
    {
        QFETCH(QString, stored);
        QFETCH(QString, login);
        QFETCH(QString, nick);
        Client c(login);
        QCOMPARE(c.start(stored), ChatClient::StartOutcome::Running);
        QCOMPARE(c.client.station().nick(), nick);
        QTRY_COMPARE(c.transcript.lines.value(0).text, "uživatel " + nick + " vstoupil do diskuze");
        const QStringList about = c.client.aboutText().split(u'\r');
        for (const QString& fact : {"IP: " + c.client.station().ownAddress(),
                                    "přihlášený uživatel: " + login, "nick uživatele: " + stored})
            QVERIFY2(about.contains(fact), qPrintable(fact));
    }

    // The banner names the version, who and where, and the maker; a port another program holds
    // is told, not hidden.
    void bannerAtStart()
    {
        for (const bool taken : {false, true}) {
            Client c;
            QUdpSocket squatter;
            QVERIFY(!taken || squatter.bind(QHostAddress::AnyIPv4, c.port,
                                            QAbstractSocket::DontShareAddress));
            c.start(QStringLiteral("Jana"));
            QCOMPARE(c.banner().mid(0, 2),
                     (QStringList{
                         "Kestrowind v.: 2.0 build: 15 aplikace spuštěna",
                         "přihlášený uživatel: jnovak; název počítače: " + Platform::machineName() +
                             "; IP: " + c.client.station().ownAddress()}));
            QCOMPARE(c.banner().value(3),
                     taken ? QStringLiteral("port %1 je obsazen jiným programem: zprávy od "
                                            "ostatních uživatelů se nebudou přijímat")
                                 .arg(c.port)
                           : QString());
        }
    }

    // "/uninstall" removes the stored settings and the autostart entry, and goes no further.
    void uninstallRemovesTheSettingsAndStartsNothing()
    {
        Client c;
        c.store.write(c.App, c.Opts, QStringLiteral("nick"), QStringLiteral("pepa"));
        QVERIFY(c.autostart.enable(QStringLiteral("/opt/kestrowind2/kestrowind2")));
        StartOptions start;
        start.uninstall = true;
        QCOMPARE(c.client.start(start), ChatClient::StartOutcome::Uninstalled);
        QVERIFY(!QFile::exists(c.store.fileOf(c.App)));
        // An uninstalled program must not come back at the next logon.
        QVERIFY(!c.autostart.isEnabled());
        QVERIFY(!c.client.station().isListening());
    }

    // Before a window attaches and after it goes, a line goes nowhere, a note counts as closed
    // and an offer as declined: each caller hears its answer, later, as from a window.
    void withoutAWindowEveryCallerIsAnswered()
    {
        Client c;
        FrontendRelay relay;
        bool closed = false;
        std::optional<bool> accepted;
        std::optional<QString> destination;
        relay.appendLine(QStringLiteral("nikam"), LineLook::Chat, {});
        relay.showNote({}, {}, [&] { closed = true; });
        relay.askToAccept({}, [&](bool yes) { accepted = yes; });
        relay.chooseDestination({}, {}, [&](const QString& path) { destination = path; });
        QVERIFY(!closed && !accepted && !destination);
        QTRY_VERIFY(closed && accepted == false && destination == QString());

        relay.attach({c.transcript, c.notes, c.prompts});
        relay.appendBareLine(QStringLiteral("sem"), LineLook::Alert);
        relay.showNote({}, {}, [] {});
        relay.askToAccept({}, [](bool) {});
        relay.detach();
        relay.appendLine(QStringLiteral("nikam"), LineLook::Chat, {});
        QCOMPARE(c.transcript.lines, (Lines{{QStringLiteral("sem"), LineLook::Alert, {}, true}}));
        QVERIFY(c.notes.notes.size() == 1 && c.prompts.questions.size() == 1);
    }
};

QTEST_GUILESS_MAIN(tst_ChatClient)
#include "tst_chatclient.moc"
