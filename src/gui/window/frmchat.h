#pragma once

#include "WindowUrgency.h"
#include "core/app/CommandLine.h"
#include "core/net/UdpTransport.h"
#include "core/protocol/Station.h"
#include "gui/common/NoteBoxes.h"
#include "gui/tray/Attention.h"
#include "gui/tray/TrayCode.h"

#include <QList>
#include <QMainWindow>
#include <QRect>

class Autostart;
class Composer;
class MainMenus;
class SettingsHolder;
class SettingsStore;
class SoundPlayer;
class StatusPanels;
class TranscriptView;
class TransferDialogs;
class UserActions;
class UserListView;

// The main window: transcript, composer, user list and status bar, with the station that
// connects them to the network. Closing it ends the program.
class frmchat final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmchat)

public:
    // What the window needs from the platform; tests hand in stand-ins.
    struct Services {
        SettingsStore& store;
        Autostart& autostart;
        SoundPlayer& sound;
        TrayCode& tray;
        UdpEndpoints endpoints = {};
    };

    explicit frmchat(Services services, QWidget* parent = nullptr);
    ~frmchat() override;

    // Brings the station onto the network. False when the start ends here ("/uninstall").
    bool Form_Load(const StartOptions& start);
    // The way out, whatever ends the program: the tray icon goes, the other windows close,
    // and the peers hear LOGOFF. Runs once.
    void Form_Unload();
    // The update client runs: the program ends at once, and the peers hear nothing.
    void handOver();

    // Shows the window, or with "hidden" or the option "totray" keeps it in the tray.
    void presentAtStart(bool hidden);
    void mnu_showwindow_Click();
    void mnu_hidewindow_Click();
    // Into the tray while there is an icon to come back by, else into the task bar.
    void hideToTray();
    // Back from the tray or from the task bar, as a double click on the icon does; the user
    // asked, so the window takes the keyboard.
    void restoreWindow();
    // The window is hidden in the tray, whichever way it went there; unlike "minimised" this
    // does not depend on what the window manager made of it.
    bool isHiddenToTray() const { return m_hiddenToTray; }

    Station& station() { return m_station; }
    TranscriptView* chat() const { return m_chat; }
    Composer* sendtext() const { return m_sendtext; }
    UserListView* users() const { return m_users; }
    StatusPanels* status() const { return m_status; }
    MainMenus& menus() const { return *m_menus; }
    UserActions& userActions() const { return *m_userActions; }
    SettingsHolder& settings() const { return *m_settings; }
    TrayCode& tray() { return m_tray; }
    QRect designGeometry(const QWidget* control) const;

    int WakeType() const { return m_station.messages().WakeType(); }
    void mnu_waketype_Click(int index);

signals:
    // The program may end: the shutdown sequence has run, or the update client took over.
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct ControlGeometry {
        QWidget* control;
        QRect design; // in pixels of the design size
    };

    void buildClientArea();
    void connectActions();
    void RecordLayout();
    void applyLayout(const QSize& clientSize);
    void setOuterWidth(int twips);
    // A minimised window goes into the tray while there is an icon to bring it back.
    void Form_Resize();
    Attention::WindowSight windowSight() const;
    // A peer asked for the user's attention ("maximalizovat okno aplikace").
    void onAttentionRequested();
    void bringBack(bool activate);
    // Hides the window; its urgency is taken back first, while the window manager holds it.
    void withdraw();
    void onTrayAppeared();
    void onTrayLost();
    void updateWindowItems();
    void writeStartLines(bool listening);
    void uninstall();
    QString aboutBlock();

    SettingsStore& m_store;
    Autostart& m_autostart;
    TrayCode& m_tray;
    TranscriptView* m_chat = nullptr;
    NoteBoxes m_notes{this};
    Station m_station;
    Attention m_attention;
    QWidget* m_client = nullptr;
    Composer* m_sendtext = nullptr;
    UserListView* m_users = nullptr;
    StatusPanels* m_status = nullptr;
    MainMenus* m_menus = nullptr;
    SettingsHolder* m_settings = nullptr;
    UserActions* m_userActions = nullptr;
    TransferDialogs* m_transferDialogs = nullptr;

    bool m_unloaded = false;
    bool m_hiddenToTray = false;
    WindowUrgency m_urgency{*this};
    QSize m_designClient;
    QList<ControlGeometry> m_layout;
};
