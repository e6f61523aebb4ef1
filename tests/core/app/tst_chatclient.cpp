// The client without a window: its start, and where the network's events go with no window.
#include "FakeStation.h"
#include "Loopback.h"
#include "core/app/Autostart.h"
#include "core/app/ChatClient.h"
#include "core/app/SettingsStore.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

struct Client {
    explicit Client(const QString& loginName = QStringLiteral("jnovak"))
        : client({store, autostart, UdpEndpoints{port, QHostAddress(QHostAddress::LocalHost)},
                  dir.path(), loginName, dir.filePath(QStringLiteral("data/historie"))})
    {
        client.attach({transcript, notes, prompts});
    }
    ChatClient::StartOutcome start(const QString& nick)
    {
        store.write(App, Opts, QStringLiteral("first"), QStringLiteral("true"));
        store.write(App, Opts, QStringLiteral("nick"), nick);
        return client.start({});
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
    // The stored nick, else the login name, else "anonymní"; "/about" tells both as they are.
    // Options stored before the history could be saved leave it off.
    void nickAtStart()
    {
        const std::tuple<QString, QString, QString> cases[] = {
            {"Jana", "jnovak", "Jana"}, {"", "jnovak", "jnovak"}, {"", "", "anonymní"}};
        for (const auto& [stored, login, nick] : cases) {
            Client c(login);
            QCOMPARE(c.start(stored), ChatClient::StartOutcome::Running);
            QCOMPARE(c.client.station().nick(), nick);
            QVERIFY(!c.client.history().isEnabled()); // no "savehistory" stored
            QTRY_COMPARE(c.transcript.lines.value(0).text,
                         "uživatel " + nick + " vstoupil do diskuze");
            const QStringList about = c.client.aboutText().split(u'\r');
            for (const QString& fact :
                 {"IP: " + c.client.station().ownAddress(), "přihlášený uživatel: " + login,
                  "nick uživatele: " + stored})
                QVERIFY2(about.contains(fact), qPrintable(fact));
        }
    }

    // The banner names the version, who and where; a port another program holds is told.
    void bannerAtStart()
    {
        for (const bool taken : {false, true}) {
            Client c;
            QUdpSocket squatter;
            QVERIFY(!taken || squatter.bind(QHostAddress::AnyIPv4, c.port,
                                            QAbstractSocket::DontShareAddress));
            c.start(QStringLiteral("Jana"));
            QStringList banner;
            for (const ChatClient::BannerLine& line : c.client.startBanner())
                banner << line.text;
            QCOMPARE(banner.mid(0, 2),
                     (QStringList{
                         "Kestrowind v.: 2.0 build: 15 aplikace spuštěna",
                         "přihlášený uživatel: jnovak; název počítače: " + Platform::machineName() +
                             "; IP: " + c.client.station().ownAddress()}));
            QCOMPARE(banner.value(3),
                     taken ? QStringLiteral("port %1 je obsazen jiným programem: zprávy od "
                                            "ostatních uživatelů se nebudou přijímat")
                                 .arg(c.port)
                           : QString());
        }
    }

    // The saved history goes with the settings, and so does its data folder, now empty.
    void uninstallRemovesTheSettingsAndStartsNothing()
    {
        Client c;
        c.store.write(c.App, c.Opts, QStringLiteral("nick"), QStringLiteral("pepa"));
        QVERIFY(c.autostart.enable(QStringLiteral("/opt/kestrowind2/kestrowind2")));
        QVERIFY(QDir().mkpath(c.client.history().folder()));
        StartOptions start;
        start.uninstall = true;
        QCOMPARE(c.client.start(start), ChatClient::StartOutcome::Uninstalled);
        QVERIFY(!QFile::exists(c.store.fileOf(c.App)));
        QVERIFY(!c.autostart.isEnabled());
        QVERIFY(!QFile::exists(c.dir.filePath(QStringLiteral("data"))));
        QVERIFY(!c.client.station().isListening());
    }

    // With no window, a note counts as closed and an offer as declined, answered later.
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
