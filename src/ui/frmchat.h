#pragma once

#include "app/CommandLine.h"
#include "net/UdpTransport.h"
#include "protocol/Station.h"
#include "tray/Attention.h"
#include "tray/TrayCode.h"

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
class UserActions;
class UserListView;

// The main window: transcript, composer, user list and status bar, with the station that
// connects them to the network. Closing it ends the program.
class frmchat final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmchat)

public:
    frmchat(SettingsStore& store, Autostart& autostart, SoundPlayer& sound,
            UdpEndpoints endpoints = {}, QWidget* parent = nullptr);
    ~frmchat() override;

    // Brings the station onto the network. False when the start ends here ("/uninstall").
    bool Form_Load(const StartOptions& start);

    Station& station() { return m_station; }
    TranscriptView* chat() const { return m_chat; }
    Composer* sendtext() const { return m_sendtext; }
    UserListView* users() const { return m_users; }
    StatusPanels* status() const { return m_status; }
    MainMenus& menus() const { return *m_menus; }
    UserActions& userActions() const { return *m_userActions; }
    SettingsHolder& settings() const { return *m_settings; }
    TrayCode& tray() { return m_tray; }

    int WakeType() const { return m_wakeType; }
    void mnu_waketype_Click(int index);

protected:
    void closeEvent(QCloseEvent* event) override;
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
    void writeStartLines(bool listening);
    void uninstall();
    void showMessageBox(const QString& caption, const QString& text);
    void restoreWindow();
    QString aboutBlock();

    SettingsStore& m_store;
    Autostart& m_autostart;
    TranscriptView* m_chat = nullptr;
    Station m_station;
    TrayCode m_tray;
    Attention m_attention;
    QWidget* m_client = nullptr;
    Composer* m_sendtext = nullptr;
    UserListView* m_users = nullptr;
    StatusPanels* m_status = nullptr;
    MainMenus* m_menus = nullptr;
    SettingsHolder* m_settings = nullptr;
    UserActions* m_userActions = nullptr;

    int m_wakeType = 0;
    int m_currentBlock = 0; // CurrentBlock: -1 while no file is being sent
    QSize m_designClient;
    QList<ControlGeometry> m_layout;
};
