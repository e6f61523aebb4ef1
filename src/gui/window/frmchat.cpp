#include "frmchat.h"

#include "Composer.h"
#include "MainMenus.h"
#include "StatusPanels.h"
#include "TranscriptTools.h"
#include "UserActions.h"
#include "UserListView.h"
#include "core/app/AboutText.h"
#include "core/app/Autostart.h"
#include "core/app/Platform.h"
#include "core/app/SettingsStore.h"
#include "core/app/Version.h"
#include "gui/common/Icons.h"
#include "gui/settings/SettingsHolder.h"
#include "gui/settings/UpdateLauncher.h"
#include "gui/settings/frmAbout.h"
#include "gui/transcript/TranscriptView.h"
#include "gui/transfer/TransferDialogs.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QWindow>

namespace {

// The window was drawn in twips; at 96 dots per inch a pixel is 15 of them.
constexpr int TwipsPerPixel = 15;
constexpr int px(int twips)
{
    return (twips + TwipsPerPixel / 2) / TwipsPerPixel;
}
QRect twipsRect(int left, int top, int width, int height)
{
    return {px(left), px(top), px(width), px(height)};
}

const QSize DesignClient(px(8895), px(5265));
const QRect DesignChat = twipsRect(0, 0, 6495, 4545);
const QRect DesignSendtext = twipsRect(0, 4560, 6495, 495);
const QRect DesignUsers = twipsRect(6600, 0, 2355, 5040);
const QRect DesignStatus = twipsRect(0, 5010, 8895, 255);
// The start-up outer width, and the frame it allowed for around the inner area.
constexpr int StartWidthTwips = 9136;
// The width "zobrazit okno" gives the window.
constexpr int ShownWidthTwips = 19136;
constexpr int DesignFrameTwips = StartWidthTwips - 8895;

} // namespace

frmchat::frmchat(Services services, QWidget* parent)
    : QMainWindow(parent)
    , m_store(services.store)
    , m_autostart(services.autostart)
    , m_tray(services.tray)
    , m_chat(new TranscriptView(this))
    , m_station(*m_chat, m_notes, services.endpoints)
    , m_attention(
          m_tray, services.sound, [this] { return windowSight(); },
          [this] { return m_settings->current(); },
          [this] {
              // A window the tray holds is not mapped: the tray's unread mark speaks for it.
              if (isVisible() && !m_hiddenToTray)
                  m_urgency.set();
          })
{
    setObjectName(QStringLiteral("frmchat"));
    setWindowTitle(QStringLiteral("Kestrowind "));
    setWindowIcon(Icons::application());
    m_settings = new SettingsHolder(
        m_store, m_autostart, Platform::programFolder(), [this] { return m_station.Username(); },
        this);
    buildClientArea();
    m_menus = new MainMenus(*menuBar(), this);
    m_userActions = new UserActions(m_station, *m_chat, *m_menus, *m_settings, this);
    m_transferDialogs = new TransferDialogs(m_station, *m_chat, this);
    connectActions();
    resize(DesignClient.width(), DesignClient.height() + menuBar()->sizeHint().height());
}

frmchat::~frmchat() = default;

void frmchat::buildClientArea()
{
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    setCentralWidget(m_client);
    m_chat->setParent(m_client);
    m_chat->setGeometry(DesignChat);
    m_sendtext = new Composer(
        m_station, *m_chat, [this] { return aboutBlock(); }, m_client);
    m_sendtext->setGeometry(DesignSendtext);
    m_users = new UserListView(m_station.roster(), m_client);
    m_users->setGeometry(DesignUsers);
    m_status = new StatusPanels(m_client);
    m_status->setGeometry(DesignStatus);
    m_client->installEventFilter(this);
}

void frmchat::connectActions()
{
    // The items' keys work from the window even while their menu is out of the menu bar.
    for (QMenu* menu : {m_menus->mnu_chat, m_menus->mnu_User, m_menus->mnuTools, m_menus->mnu_wake,
                        m_menus->mnuSaveToFileUp})
        addActions(menu->actions());
    for (int i = 0; i < 2; ++i)
        connect(m_menus->mnu_waketype[i], &QAction::triggered, this,
                [this, i] { mnu_waketype_Click(i); });
    connect(m_menus->mnu_quit, &QAction::triggered, this, &QWidget::close);
    connect(m_menus->mnu_showwindow, &QAction::triggered, this, &frmchat::mnu_showwindow_Click);
    connect(m_menus->mnu_hidewindow, &QAction::triggered, this, &frmchat::mnu_hidewindow_Click);
    connect(m_menus->mnu_About, &QAction::triggered, m_settings, &SettingsHolder::show);
    connect(m_menus->mnuUpdate, &QAction::triggered, m_settings, &SettingsHolder::show);

    connect(m_settings, &SettingsHolder::nickConfirmed, this, [this](const QString& nick) {
        m_station.setUsername(nick);
        m_station.presence().RequestPing();
    });
    connect(&m_station, &Station::usernameChanged, m_sendtext, &Composer::updateMaxLength);
    connect(m_sendtext, &Composer::wireNoteChanged, m_status, &StatusPanels::showNote);
    connect(&m_station, &Station::myIpChanged, this, [this](const QString& address) {
        m_status->setPanelText(QStringLiteral("ip"), address);
        m_sendtext->updateMaxLength();
    });
    connect(&m_station.presence(), &Presence::userCountChanged, this, [this](const QString& text) {
        m_status->setPanelText(QStringLiteral("users_online"), text);
    });
    connect(&m_station.messages(), &Messages::attentionRequested, this,
            &frmchat::onAttentionRequested);
    connect(
        m_chat, &TranscriptView::chat_Change, this,
        [this](const QString& nick, const QString& text) { m_attention.chat_Change(nick, text); });
    connect(m_sendtext, &Composer::clicked, this,
            [this] { m_tray.TraySetTip(QStringLiteral("Kestrowind 2")); });
    connect(m_users, &UserListView::entryReleased, m_userActions, &UserActions::onEntryReleased);
    connect(m_users, &UserListView::emptyReleased, m_userActions, &UserActions::onEmptyReleased);
    connect(&m_tray, &TrayCode::restoreRequested, this, &frmchat::restoreWindow);
    connect(&m_tray, &TrayCode::trayAppeared, this, &frmchat::onTrayAppeared);
    connect(&m_tray, &TrayCode::trayLost, this, &frmchat::onTrayLost);

    connectTranscriptTools(*m_menus, *m_chat, Platform::programFolder(), this);
    auto* updates = new UpdateLauncher(m_store, this);
    connect(m_settings, &SettingsHolder::updateLinkClicked, updates,
            [this, updates] { updates->Label36_Click(&m_settings->dialog()); });
    connect(updates, &UpdateLauncher::handedOver, this, &frmchat::handOver);
    connect(m_menus->mnu_sendfile, &QAction::triggered, this, [this] {
        const QString user = m_userActions->SelectedUser();
        if (m_station.roster().rowOf(user) >= 0)
            m_transferDialogs->offerFileTo(Roster::addressOf(user));
    });
}

bool frmchat::Form_Load(const StartOptions& start)
{
    m_tray.TrayReset();
    RecordLayout();
    if (start.uninstall) {
        uninstall();
        return false;
    }
    m_menus->mnu_User->menuAction()->setVisible(false);
    const bool listening = m_station.bindSockets();
    m_settings->dialog();
    m_settings->save();

    QString nick = m_settings->current().nick;
    if (nick.isEmpty())
        nick = Platform::GetWindowsUserName();
    if (nick.isEmpty())
        nick = QStringLiteral("anonymní");
    m_station.setUsername(nick);
    m_station.setMyIcon(QString::fromLatin1(Roster::UserIcon));
    mnu_waketype_Click(1);
    m_tray.TrayAdd(this, m_menus->mnu_chat, QStringLiteral("none"), QStringLiteral("none"), 1);
    m_status->setPanelText(QStringLiteral("ip"), m_station.MyIP());
    m_chat->clearTranscript();
    m_station.presence().Logon();
    writeStartLines(listening);
    m_tray.TrayBalloon(this, m_menus->mnu_chat,
                       QStringLiteral("vítejte v aplikaci Kestrowind 2\rOrlathe"),
                       QStringLiteral("Orlathe"), 2);
    setOuterWidth(StartWidthTwips);
    return true;
}

void frmchat::presentAtStart(bool hidden)
{
    if (hidden || m_settings->current().totray)
        hideToTray();
    else
        show();
}

void frmchat::writeStartLines(bool listening)
{
    m_chat->AddLine(QStringLiteral("Kestrowind v.: %1.%2 build: %3 aplikace spuštěna")
                        .arg(Version::Major)
                        .arg(Version::Minor)
                        .arg(Version::Build),
                    4);
    m_chat->AddLine(QStringLiteral("přihlášený uživatel: ") + Platform::GetWindowsUserName() +
                        QStringLiteral("; název počítače: ") + Platform::GetMachineName() +
                        QStringLiteral("; IP: ") + m_station.MyIP(),
                    3);
    m_chat->AddLine(QStringLiteral("© 2008 %1, všechna práva vyhrazena; %2, %3")
                        .arg(QLatin1String(Version::Maker), QLatin1String(Version::MakerWeb),
                             QLatin1String(Version::MakerMail)),
                    2);
    // Chatting into the void without knowing it is worse than any warning.
    if (!listening)
        m_chat->AddLine(QStringLiteral("port %1 je obsazen jiným programem: zprávy od ostatních "
                                       "uživatelů se nebudou přijímat")
                            .arg(m_station.port()),
                        4);
}

void frmchat::uninstall()
{
    m_store.deleteApplication(QString::fromLatin1(Version::SettingsApplication));
    // An uninstalled program must not come back at the next logon.
    m_autostart.disable();
    QMessageBox::warning(this, QStringLiteral("uninstall"),
                         QStringLiteral("skript pro odinstalování byl úspěšně proveden"));
}

QString frmchat::aboutBlock()
{
    return AboutText::block({AboutText::updateServiceVersion(m_store), m_station.MyIP(),
                             Platform::GetWindowsUserName(), m_settings->current().nick,
                             Platform::GetMachineName()});
}

void frmchat::mnu_waketype_Click(int index)
{
    m_menus->mnu_waketype[index]->setChecked(true);
    m_menus->mnu_waketype[1 - index]->setChecked(false);
    m_station.messages().setWakeType(index);
}

void frmchat::closeEvent(QCloseEvent* event)
{
    m_urgency.clear();
    Form_Unload();
    event->accept();
}

void frmchat::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    m_tray.TrayRemove();
    // Pending events are not run here: they would re-enter the network handlers mid-way.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != this && window->isVisible())
            window->close();
    }
    m_station.presence().Logoff();
    m_userActions->clearSelectedUser();
    emit unloaded();
}

void frmchat::handOver()
{
    m_unloaded = true;
    emit unloaded();
}

void frmchat::mnu_hidewindow_Click()
{
    hideToTray();
}

void frmchat::hideToTray()
{
    if (m_tray.isInTray()) {
        // Withdrawn at once, not minimised first: what the window manager then does with a
        // minimised window cannot undo it.
        m_hiddenToTray = true;
        withdraw();
    } else {
        setWindowState(windowState() | Qt::WindowMinimized);
        show();
    }
    updateWindowItems();
}

void frmchat::mnu_showwindow_Click()
{
    restoreWindow();
    // As wide as the screen allows.
    const QScreen* screen = this->screen();
    const int available = screen ? screen->availableGeometry().width() : px(ShownWidthTwips);
    const int frame = frameGeometry().width() - width();
    resize(qMin(px(ShownWidthTwips), available) - frame, height());
}

void frmchat::restoreWindow()
{
    bringBack(true);
}

void frmchat::onAttentionRequested()
{
    if (windowSight() == Attention::WindowSight::Active)
        return;
    // The user may be typing elsewhere: the window comes into view, the keyboard stays. A
    // window manager brings a window back from its minimised state only with the keyboard,
    // so one minimised in the task bar stays there, marked.
    if (m_hiddenToTray || !isMinimized())
        bringBack(false);
    m_urgency.set();
}

void frmchat::bringBack(bool activate)
{
    m_hiddenToTray = false;
    setAttribute(Qt::WA_ShowWithoutActivating, !activate);
    // The toolkit copies the attribute into a window it creates, not into one that exists.
    if (QWindow* handle = windowHandle())
        handle->setProperty("_q_showWithoutActivating", !activate);
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
    show();
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    if (!isVisible())
        setVisible(true);
    raise();
    if (activate)
        activateWindow();
    setAttribute(Qt::WA_ShowWithoutActivating, false);
    if (QWindow* handle = windowHandle())
        handle->setProperty("_q_showWithoutActivating", false);
    updateWindowItems();
}

// Some window managers (openbox 3.6) crash when a window leaves them while they still flash it
// for its urgency; taken back first, the flashing stops.
void frmchat::withdraw()
{
    m_urgency.clear();
    hide();
}

// A window that waited in the task bar for a notification area goes into it.
void frmchat::onTrayAppeared()
{
    if (isVisible() && isMinimized())
        hideToTray();
}

// Nothing would bring a window in a vanished tray back: the task bar takes it.
void frmchat::onTrayLost()
{
    if (!m_hiddenToTray)
        return;
    m_hiddenToTray = false;
    hideToTray();
}

Attention::WindowSight frmchat::windowSight() const
{
    if (m_hiddenToTray || isMinimized())
        return Attention::WindowSight::Hidden;
    if (!isVisible())
        return Attention::WindowSight::Starting;
    return isActiveWindow() ? Attention::WindowSight::Active : Attention::WindowSight::Behind;
}

void frmchat::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
    else if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        m_urgency.clear();
        m_attention.onWindowActivated();
    }
}

void frmchat::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    Form_Resize();
}

void frmchat::hideEvent(QHideEvent* event)
{
    QMainWindow::hideEvent(event);
    updateWindowItems();
}

void frmchat::Form_Resize()
{
    // Whatever shows a window the tray holds, it goes back there; only bringBack() takes it out.
    if (isVisible() && m_tray.isInTray() && (isMinimized() || m_hiddenToTray)) {
        // Decided now: the window manager may report it as restored once it is withdrawn.
        m_hiddenToTray = true;
        // After the state change has been delivered everywhere, not in the middle of it.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_hiddenToTray && isVisible())
                    withdraw();
            },
            Qt::QueuedConnection);
    }
    updateWindowItems();
}

// "zobrazit okno" is for a window the user cannot see, "skrýt okno" for one they can.
void frmchat::updateWindowItems()
{
    const bool shown = isVisible() && !isMinimized() && !m_hiddenToTray;
    m_menus->mnu_showwindow->setEnabled(!shown);
    m_menus->mnu_hidewindow->setEnabled(shown);
}

QRect frmchat::designGeometry(const QWidget* control) const
{
    for (const ControlGeometry& record : m_layout) {
        if (record.control == control)
            return record.design;
    }
    return {};
}

void frmchat::RecordLayout()
{
    // The window is not laid out before it is shown; its inner area is still the design's.
    m_designClient = DesignClient;
    m_layout.clear();
    for (QWidget* control : {static_cast<QWidget*>(m_chat), static_cast<QWidget*>(m_sendtext),
                             static_cast<QWidget*>(m_users), static_cast<QWidget*>(m_status)})
        m_layout.append({control, control->geometry()});
}

bool frmchat::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_client && event->type() == QEvent::Resize)
        applyLayout(m_client->size());
    return QMainWindow::eventFilter(watched, event);
}

// Every control scales from the record taken at load, so no error builds up over resizes.
void frmchat::applyLayout(const QSize& clientSize)
{
    if (m_layout.isEmpty() || m_designClient.isEmpty() || clientSize.isEmpty())
        return;
    const double ratioX = double(clientSize.width()) / m_designClient.width();
    const double ratioY = double(clientSize.height()) / m_designClient.height();
    for (const ControlGeometry& record : m_layout) {
        const QRect& r = record.design;
        record.control->setGeometry(qRound(r.x() * ratioX), qRound(r.y() * ratioY),
                                    qRound(r.width() * ratioX), qRound(r.height() * ratioY));
    }
}

void frmchat::setOuterWidth(int twips)
{
    // Until the window is on screen its frame is unknown; assume the one it was drawn with.
    const int frame = isVisible() ? frameGeometry().width() - width() : px(DesignFrameTwips);
    resize(px(twips) - frame, height());
}
