#include "ChatClient.h"

#include "AboutText.h"
#include "Autostart.h"
#include "SettingsStore.h"
#include "Version.h"

#include <utility>

ChatClient::ChatClient(Services services, QObject* parent)
    : QObject(parent)
    , m_store(services.store)
    , m_autostart(services.autostart)
    , m_loginName(std::move(services.loginName))
    , m_settings(services.store, services.autostart, std::move(services.programFolder))
    , m_history(std::move(services.historyFolder))
    , m_station(m_frontend, m_frontend, services.endpoints)
    , m_transfers({m_station.identity(), m_station.guard(), m_station.roster(), m_station,
                   m_frontend, m_station.peerLines(), m_frontend, m_network})
{
    m_transfers.attach(m_station.dispatcher());
    // Loaded at start before the station announces itself, which it then does where the
    // options say; changed later, the station moves there and says so.
    connect(&m_settings, &SettingsModel::changed, this, [this](const Options& options) {
        m_history.setEnabled(options.saveHistory);
        m_station.setExtraAddresses(options.extraAddresses);
        m_station.setNetworkInterface(options.networkInterface, m_running);
    });
}

ChatClient::~ChatClient() = default;

ChatClient::StartOutcome ChatClient::start(const StartOptions& options)
{
    if (options.uninstall) {
        uninstall();
        return StartOutcome::Uninstalled;
    }
    m_station.bindSockets();
    m_settings.load();
    m_settings.save();
    m_history.pruneOldDays();

    QString nick = m_settings.options().nick;
    if (nick.isEmpty())
        nick = m_loginName;
    if (nick.isEmpty())
        nick = QStringLiteral("anonymní");
    m_station.setNick(nick);
    m_station.setIcon(QString::fromLatin1(Roster::UserIcon));
    m_station.messages().setAttentionResponse(Messages::AttentionResponse::RestoreWindow);
    m_station.presence().announce();
    m_running = true;
    return StartOutcome::Running;
}

void ChatClient::uninstall()
{
    m_store.deleteApplication(QString::fromLatin1(Version::SettingsApplication));
    // An uninstalled program must not come back at the next logon.
    m_autostart.disable();
    m_history.removeFolder();
}

QList<ChatClient::BannerLine> ChatClient::startBanner() const
{
    QList<BannerLine> lines{
        {QStringLiteral("Kestrowind v.: %1.%2 build: %3 aplikace spuštěna")
             .arg(Version::Major)
             .arg(Version::Minor)
             .arg(Version::Build),
         LineLook::Alert},
        {QStringLiteral("přihlášený uživatel: ") + m_loginName +
             QStringLiteral("; název počítače: ") + Platform::machineName() +
             QStringLiteral("; IP: ") + m_station.ownAddress(),
         LineLook::Presence},
        {QStringLiteral("© 2008 %1, všechna práva vyhrazena; %2, %3")
             .arg(QLatin1String(Version::Maker), QLatin1String(Version::MakerWeb),
                  QLatin1String(Version::MakerMail)),
         LineLook::Action}};
    // Chatting into the void without knowing it is worse than any warning.
    if (!m_station.isListening())
        lines.append({QStringLiteral("port %1 je obsazen jiným programem: zprávy od ostatních "
                                     "uživatelů se nebudou přijímat")
                          .arg(m_station.port()),
                      LineLook::Alert});
    return lines;
}

void ChatClient::shutDown()
{
    if (!std::exchange(m_running, false))
        return;
    m_station.presence().announceLeaving();
}

void ChatClient::rename(const QString& nick)
{
    m_station.setNick(nick);
    m_settings.setNick(nick);
    m_station.presence().requestPing();
}

QString ChatClient::aboutText() const
{
    return AboutText::block({AboutText::updateServiceVersion(m_store), m_station.ownAddress(),
                             m_loginName, m_settings.options().nick, Platform::machineName()});
}
