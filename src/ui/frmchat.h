#pragma once

#include "app/CommandLine.h"
#include "app/Settings.h"
#include "net/UdpTransport.h"
#include "protocol/Station.h"
#include "tray/TrayCode.h"

#include <QList>
#include <QMainWindow>
#include <QRect>

class MainMenus;
class QLineEdit;
class SettingsStore;
class StatusPanels;
class TranscriptView;
class UserListView;

// The main window: transcript, composer, user list and status bar, with the station that
// connects them to the network. Closing it ends the program.
class frmchat final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmchat)

public:
    explicit frmchat(SettingsStore& store, UdpTransport::Endpoints endpoints = {},
                     QWidget* parent = nullptr);
    ~frmchat() override;

    // Brings the station onto the network. False when the start ends here ("/uninstall").
    bool Form_Load(const StartOptions& start);

    Station& station() { return m_station; }
    TranscriptView* chat() const { return m_chat; }
    QLineEdit* sendtext() const { return m_sendtext; }
    UserListView* users() const { return m_users; }
    StatusPanels* status() const { return m_status; }
    MainMenus& menus() const { return *m_menus; }
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

    void RecordLayout();
    void applyLayout(const QSize& clientSize);
    void setOuterWidth(int twips);
    void writeStartLines(bool listening);
    void uninstall();

    SettingsStore& m_store;
    Options m_options;
    TranscriptView* m_chat = nullptr;
    Station m_station;
    QWidget* m_client = nullptr;
    QLineEdit* m_sendtext = nullptr;
    UserListView* m_users = nullptr;
    StatusPanels* m_status = nullptr;
    MainMenus* m_menus = nullptr;
    TrayCode m_tray;

    int m_wakeType = 0;
    int m_currentBlock = 0; // CurrentBlock: -1 while no file is being sent
    QSize m_designClient;
    QList<ControlGeometry> m_layout;
};
