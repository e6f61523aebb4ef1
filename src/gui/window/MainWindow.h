#pragma once

#include "WindowUrgency.h"
#include "core/app/CommandLine.h"
#include "gui/common/NoteBoxes.h"
#include "gui/tray/Attention.h"

#include <QList>
#include <QMainWindow>
#include <QRect>

class ChatClient;
class Composer;
class MainMenus;
class SettingsEditor;
class SoundPlayer;
class StatusPanels;
class TranscriptView;
class TransferDialogs;
class TrayIcon;
class UserActions;
class UserListView;

// The main window: transcript, composer, user list and status bar, showing the client and
// feeding it what the user does. Closing it ends the program.
class MainWindow final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    // What the window needs from the desktop; tests hand in stand-ins.
    struct Services {
        SoundPlayer& sound;
        TrayIcon& tray;
    };

    MainWindow(ChatClient& client, Services services, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Starts the client and shows what it starts with. False when the start ends here
    // ("/uninstall").
    bool start(const StartOptions& options);
    // The way out, whatever ends the program: the tray icon goes, the other windows close,
    // and the client says goodbye to the peers. Runs once.
    void shutDown();
    // The update client runs: the program ends at once, and the peers hear nothing.
    void handOver();

    // Shows the window, or with "hidden" or the option to start minimised keeps it in the tray.
    void presentAtStart(bool hidden);
    // "zobrazit okno": back, and as wide as the screen allows.
    void showWindow();
    // Into the tray while there is an icon to come back by, else into the task bar.
    void hideToTray();
    // Back from the tray or from the task bar, as a double click on the icon does; the user
    // asked, so the window takes the keyboard.
    void restoreWindow();
    // The window is hidden in the tray, whichever way it went there; unlike "minimised" this
    // does not depend on what the window manager made of it.
    bool isHiddenToTray() const { return m_hiddenToTray; }

    ChatClient& client() const { return m_client; }
    TranscriptView* transcript() const { return m_transcript; }
    Composer* composer() const { return m_composer; }
    UserListView* userList() const { return m_userList; }
    StatusPanels* statusPanels() const { return m_statusPanels; }
    MainMenus& menus() const { return *m_menus; }
    UserActions& userActions() const { return *m_userActions; }
    SettingsEditor& settingsEditor() const { return *m_settingsEditor; }
    TransferDialogs& transferDialogs() const { return *m_transferDialogs; }
    // Where the control sits when the window has the size it was drawn at.
    QRect designGeometry(const QWidget* control) const;

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
    void recordLayout();
    void applyLayout(const QSize& clientSize);
    void setOuterWidth(int twips);
    // A minimised window goes into the tray while there is an icon to bring it back.
    void sendMinimisedToTray();
    Attention::WindowSight windowSight() const;
    // A peer asked for the user's attention ("maximalizovat okno aplikace").
    void onAttentionRequested();
    // The user sees the window: the tray's unread mark and the urgency go.
    void clearAttention();
    void bringBack(bool activate);
    // Hides the window; its urgency is taken back first, while the window manager holds it.
    void withdraw();
    void onTrayAppeared();
    void onTrayLost();
    void updateWindowItems();
    // Names the interfaces that the station does not use, where the user looks for the address.
    void updateAddressHint();

    ChatClient& m_client;
    TrayIcon& m_tray;
    TranscriptView* m_transcript = nullptr;
    NoteBoxes m_notes{this};
    Attention m_attention;
    QWidget* m_clientArea = nullptr;
    Composer* m_composer = nullptr;
    UserListView* m_userList = nullptr;
    StatusPanels* m_statusPanels = nullptr;
    MainMenus* m_menus = nullptr;
    SettingsEditor* m_settingsEditor = nullptr;
    UserActions* m_userActions = nullptr;
    TransferDialogs* m_transferDialogs = nullptr;

    bool m_shutDown = false;
    bool m_hiddenToTray = false;
    // Under Wayland: minimise once the compositor has mapped the window.
    bool m_minimiseWhenMapped = false;
    WindowUrgency m_urgency{*this};
    QSize m_designClient;
    QList<ControlGeometry> m_layout;
};
