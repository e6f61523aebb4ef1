#include "MainWindow.h"

#include "Composer.h"
#include "FileDrops.h"
#include "HistoryTools.h"
#include "MainMenus.h"
#include "StatusPanels.h"
#include "TranscriptTools.h"
#include "UserActions.h"
#include "UserListView.h"
#include "core/app/ChatClient.h"
#include "core/app/Platform.h"
#include "gui/common/Icons.h"
#include "gui/common/Twips.h"
#include "gui/common/WindowHelpers.h"
#include "gui/settings/SettingsDialog.h"
#include "gui/settings/SettingsEditor.h"
#include "gui/settings/UpdateLauncher.h"
#include "gui/transcript/TranscriptView.h"
#include "gui/transfer/TransferDialogs.h"
#include "gui/tray/TrayIcon.h"

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

// The window was drawn in twips.
using Twips::px;
using Twips::twipsRect;

const QSize DesignClient(px(8895), px(5265));
const QRect DesignTranscript = twipsRect(0, 0, 6495, 4545);
const QRect DesignComposer = twipsRect(0, 4560, 6495, 495);
const QRect DesignUserList = twipsRect(6600, 0, 2355, 5040);
const QRect DesignStatusPanels = twipsRect(0, 5010, 8895, 255);
// The start-up outer width, and the frame it allowed for around the inner area.
constexpr int StartWidthTwips = 9136;
// The width "zobrazit okno" gives the window.
constexpr int ShownWidthTwips = 19136;
constexpr int DesignFrameTwips = StartWidthTwips - 8895;

} // namespace

MainWindow::MainWindow(ChatClient& client, Services services, QWidget* parent)
    : QMainWindow(parent)
    , m_client(client)
    , m_tray(services.tray)
    , m_transcript(new TranscriptView(this))
    , m_attention(
          m_tray, services.sound, [this] { return windowSight(); },
          [this] { return m_client.settings().options(); },
          [this] {
              // A window the tray holds is not mapped: the tray's unread mark speaks for it.
              if (isVisible() && !m_hiddenToTray)
                  m_urgency.set();
          })
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Kestrowind "));
    setWindowIcon(Icons::application());
    m_settingsEditor = new SettingsEditor(
        m_client.settings(), [this] { return m_client.station().nick(); }, this);
    m_settingsEditor->setTrayPresence([this] { return m_tray.isInTray(); });
    buildClientArea();
    m_menus = new MainMenus(*menuBar(), this);
    m_userActions = new UserActions(m_client, *m_transcript, *m_menus, this);
    m_transferDialogs = new TransferDialogs(m_client.transfers(), this);
    m_client.attach({*m_transcript, m_notes, *m_transferDialogs});
    connectActions();
    resize(DesignClient.width(), DesignClient.height() + menuBar()->sizeHint().height());
}

// The client outlives the window: from now on what the network writes goes nowhere.
MainWindow::~MainWindow()
{
    m_client.detach();
}

void MainWindow::buildClientArea()
{
    m_clientArea = new QWidget(this);
    m_clientArea->setObjectName(QStringLiteral("clientArea"));
    setCentralWidget(m_clientArea);
    m_transcript->setParent(m_clientArea);
    m_transcript->setGeometry(DesignTranscript);
    m_composer = new Composer(
        m_client.station(), *m_transcript, [this] { return m_client.aboutText(); }, m_clientArea);
    m_composer->setGeometry(DesignComposer);
    m_userList = new UserListView(m_client.station().roster(), m_clientArea);
    m_userList->setGeometry(DesignUserList);
    m_statusPanels = new StatusPanels(m_clientArea);
    m_statusPanels->setGeometry(DesignStatusPanels);
    m_clientArea->installEventFilter(this);
}

void MainWindow::connectActions()
{
    const MainMenus::OptionsMenu& options = m_menus->options();
    // The items' keys work from the window even while their menu is out of the menu bar.
    for (QMenu* menu : {options.menu, m_menus->user().menu, m_menus->tools().menu,
                        options.attentionMenu, m_menus->tools().saveMenu})
        addActions(menu->actions());
    Station& station = m_client.station();
    connect(m_menus, &MainMenus::attentionResponseChosen, this,
            [&station](Messages::AttentionResponse response) {
                station.messages().setAttentionResponse(response);
            });
    connect(options.quit, &QAction::triggered, this, &QWidget::close);
    connect(options.showWindow, &QAction::triggered, this, &MainWindow::showWindow);
    connect(options.hideWindow, &QAction::triggered, this, &MainWindow::hideToTray);
    connect(options.settings, &QAction::triggered, m_settingsEditor, &SettingsEditor::show);
    connect(m_menus->tools().checkForUpdates, &QAction::triggered, m_settingsEditor,
            &SettingsEditor::show);

    connect(m_settingsEditor, &SettingsEditor::nickConfirmed, &m_client, &ChatClient::rename);
    connect(&station, &Station::nickChanged, m_composer, &Composer::updateMaxLength);
    connect(m_composer, &Composer::wireNoteChanged, m_statusPanels, &StatusPanels::showNote);
    connect(&station, &Station::ownAddressChanged, this, [this](const QString& address) {
        m_statusPanels->setPanelText(StatusPanels::Panel::OwnAddress, address);
        m_composer->updateMaxLength();
    });
    connect(&station, &Station::interfacesChanged, this, &MainWindow::updateAddressHint);
    connect(&station.presence(), &Presence::userCountChanged, this, [this](const QString& text) {
        m_statusPanels->setPanelText(StatusPanels::Panel::UsersOnline, text);
    });
    connect(&station.messages(), &Messages::attentionRequested, this,
            &MainWindow::onAttentionRequested);
    connect(m_transcript, &TranscriptView::changed, this,
            [this](const QString& nick, const QString& text) {
                m_attention.onTranscriptChanged(nick, text);
            });
    connect(m_composer, &Composer::clicked, this,
            [this] { m_tray.setToolTip(QStringLiteral("Kestrowind 2")); });
    connect(m_userList, &UserListView::entryReleased, m_userActions, &UserActions::onEntryReleased);
    connect(m_userList, &UserListView::emptyReleased, m_userActions, &UserActions::onEmptyReleased);
    connect(&m_tray, &TrayIcon::restoreRequested, this, &MainWindow::restoreWindow);
    connect(&m_tray, &TrayIcon::trayAppeared, this, &MainWindow::onTrayAppeared);
    connect(&m_tray, &TrayIcon::trayLost, this, &MainWindow::onTrayLost);

    connectTranscriptTools(*m_menus, *m_transcript, Platform::programFolder(), this);
    connectHistory(*m_menus, *m_transcript, m_client.history(), this);
    auto* updates = new UpdateLauncher(m_client.store(), this);
    connect(m_settingsEditor, &SettingsEditor::updateLinkClicked, updates,
            [this, updates] { updates->onUpdateLinkClicked(m_settingsEditor->dialog()); });
    connect(updates, &UpdateLauncher::handedOver, this, &MainWindow::handOver);
    connect(m_menus->user().sendFile, &QAction::triggered, this, [this] {
        const QString user = m_userActions->selectedUser();
        if (m_client.station().roster().rowOf(user) >= 0)
            m_transferDialogs->offerFileTo(Roster::addressOf(user));
    });
    installFileDrops(*this);
}

bool MainWindow::start(const StartOptions& options)
{
    recordLayout();
    if (m_client.start(options) == ChatClient::StartOutcome::Uninstalled) {
        QMessageBox::warning(this, QStringLiteral("uninstall"),
                             QStringLiteral("skript pro odinstalování byl úspěšně proveden"));
        return false;
    }
    const Station& station = m_client.station();
    m_menus->showAttentionResponse(station.messages().attentionResponse());
    m_tray.show(this, m_menus->options().menu);
    m_statusPanels->setPanelText(StatusPanels::Panel::OwnAddress, station.ownAddress());
    updateAddressHint();
    m_transcript->clearTranscript();
    for (const ChatClient::BannerLine& line : m_client.startBanner())
        m_transcript->appendLine(line.text, line.look);
    m_tray.showBalloon(QStringLiteral("vítejte v aplikaci Kestrowind 2\rOrlathe"),
                       QStringLiteral("Orlathe"), std::chrono::seconds(2));
    setOuterWidth(StartWidthTwips);
    return true;
}

void MainWindow::updateAddressHint()
{
    const QStringList others = m_client.station().otherInterfaces();
    m_statusPanels->setPanelToolTip(
        StatusPanels::Panel::OwnAddress,
        others.isEmpty() ? QString()
                         : QStringLiteral("ostatní stanice znají tento počítač pod touto adresou; "
                                          "další síťová rozhraní: %1 (vybrat lze v nastavení, "
                                          "síťové rozhraní)")
                               .arg(others.join(QStringLiteral(", "))));
}

void MainWindow::presentAtStart(bool hidden)
{
    if (hidden || m_client.settings().options().startMinimised)
        hideToTray();
    else
        show();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    m_urgency.clear();
    shutDown();
    event->accept();
}

void MainWindow::shutDown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_tray.hide();
    // Pending events are not run here: they would re-enter the network handlers mid-way.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != this && window->isVisible())
            window->close();
    }
    m_client.shutDown();
    m_userActions->clearSelectedUser();
    emit unloaded();
}

void MainWindow::handOver()
{
    m_shutDown = true;
    emit unloaded();
}

void MainWindow::hideToTray()
{
    if (m_tray.isInTray()) {
        // Withdrawn at once, not minimised first: what the window manager then does with a
        // minimised window cannot undo it.
        m_hiddenToTray = true;
        withdraw();
    } else if (onWayland() && !isVisible()) {
        // A compositor maps no window minimised, and its first word on a new window makes it
        // normal again: the window is asked to minimise once it is on the screen.
        m_minimiseWhenMapped = true;
        show();
        windowHandle()->installEventFilter(this);
    } else {
        setWindowState(windowState() | Qt::WindowMinimized);
        show();
    }
    updateWindowItems();
}

void MainWindow::showWindow()
{
    restoreWindow();
    // As wide as the screen allows.
    const QScreen* screen = this->screen();
    const int available = screen ? screen->availableGeometry().width() : px(ShownWidthTwips);
    const int frame = frameGeometry().width() - width();
    resize(qMin(px(ShownWidthTwips), available) - frame, height());
}

void MainWindow::restoreWindow()
{
    bringBack(true);
}

void MainWindow::onAttentionRequested()
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

void MainWindow::bringBack(bool activate)
{
    m_hiddenToTray = false;
    // A compositor takes no request to undo a minimise, nor tells the program of one, nor lets
    // it raise its window: a window that the user wants and that is not the active one is
    // mapped anew, which brings it up wherever the compositor had put it.
    if (onWayland() && activate && isVisible() && !isActiveWindow())
        withdraw();
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
    if (activate) {
        // Under Wayland this asks the compositor, through an activation token where it offers
        // them, and it may refuse; the mark then shows the user where to look, and the
        // activation, when the user gives it, takes the mark back.
        activateWindow();
        if (onWayland() && !isActiveWindow())
            m_urgency.set();
    }
    setAttribute(Qt::WA_ShowWithoutActivating, false);
    if (QWindow* handle = windowHandle())
        handle->setProperty("_q_showWithoutActivating", false);
    updateWindowItems();
}

// Some window managers (openbox 3.6) crash when a window leaves them while they still flash it
// for its urgency; taken back first, the flashing stops.
void MainWindow::withdraw()
{
    m_urgency.clear();
    hide();
}

// A window that waited in the task bar for a notification area goes into it.
void MainWindow::onTrayAppeared()
{
    if (isVisible() && isMinimized())
        hideToTray();
}

// Nothing would bring a window in a vanished tray back: the task bar takes it.
void MainWindow::onTrayLost()
{
    if (!m_hiddenToTray)
        return;
    m_hiddenToTray = false;
    hideToTray();
}

Attention::WindowSight MainWindow::windowSight() const
{
    if (m_hiddenToTray || isMinimized())
        return Attention::WindowSight::Hidden;
    if (!isVisible())
        return Attention::WindowSight::Starting;
    return isActiveWindow() ? Attention::WindowSight::Active : Attention::WindowSight::Behind;
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        sendMinimisedToTray();
    else if (event->type() == QEvent::ActivationChange && isActiveWindow())
        clearAttention();
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Hidden while the window manager had not yet taken the keyboard away, the window comes
    // back still active in the toolkit's eyes, and no activation change would clear the marks.
    if (isActiveWindow())
        clearAttention();
    sendMinimisedToTray();
}

void MainWindow::clearAttention()
{
    m_urgency.clear();
    m_attention.onWindowActivated();
}

void MainWindow::hideEvent(QHideEvent* event)
{
    QMainWindow::hideEvent(event);
    updateWindowItems();
}

void MainWindow::sendMinimisedToTray()
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
void MainWindow::updateWindowItems()
{
    const bool shown = isVisible() && !isMinimized() && !m_hiddenToTray;
    m_menus->options().showWindow->setEnabled(!shown);
    m_menus->options().hideWindow->setEnabled(shown);
}

QRect MainWindow::designGeometry(const QWidget* control) const
{
    for (const ControlGeometry& record : m_layout) {
        if (record.control == control)
            return record.design;
    }
    return {};
}

void MainWindow::recordLayout()
{
    // The window is not laid out before it is shown; its inner area is still the design's.
    m_designClient = DesignClient;
    m_layout.clear();
    for (QWidget* control :
         {static_cast<QWidget*>(m_transcript), static_cast<QWidget*>(m_composer),
          static_cast<QWidget*>(m_userList), static_cast<QWidget*>(m_statusPanels)})
        m_layout.append({control, control->geometry()});
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_clientArea && event->type() == QEvent::Resize)
        applyLayout(m_clientArea->size());
    if (m_minimiseWhenMapped && watched == windowHandle() && event->type() == QEvent::Expose &&
        windowHandle()->isExposed()) {
        m_minimiseWhenMapped = false;
        QMetaObject::invokeMethod(
            this, [this] { setWindowState(windowState() | Qt::WindowMinimized); },
            Qt::QueuedConnection);
    }
    return QMainWindow::eventFilter(watched, event);
}

// Every control scales from the record taken at load, so no error builds up over resizes.
void MainWindow::applyLayout(const QSize& clientSize)
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

void MainWindow::setOuterWidth(int twips)
{
    // Until the window is on screen its frame is unknown; assume the one it was drawn with.
    const int frame = isVisible() ? frameGeometry().width() - width() : px(DesignFrameTwips);
    resize(px(twips) - frame, height());
}
