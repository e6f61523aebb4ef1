#pragma once

#include "CommandLine.h"
#include "FrontendRelay.h"
#include "HistoryLog.h"
#include "Platform.h"
#include "SettingsModel.h"
#include "core/protocol/Station.h"
#include "core/transfer/FileTransfers.h"
#include "core/transfer/TransferNetwork.h"

#include <QList>
#include <QObject>

class Autostart;
class SettingsStore;

// The program without its windows: the station on the network, the file transfers, the options
// in force, and the rules of starting and ending. The windows attach to show it and feed it what
// the user does; it lives as long as the program does.
class ChatClient final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChatClient)

public:
    // What the client needs from the platform; tests hand in their own.
    struct Services {
        SettingsStore& store;
        Autostart& autostart;
        UdpEndpoints endpoints = {};
        QString programFolder = Platform::programFolder(); // stored for the update client
        QString loginName = Platform::loginName();
        QString historyFolder = HistoryLog::defaultFolder();
    };
    enum class StartOutcome { Running, Uninstalled };
    struct BannerLine {
        QString text;
        LineLook look;
    };

    explicit ChatClient(Services services, QObject* parent = nullptr);
    ~ChatClient() override;

    // Where the network's lines, notes and questions go until detach().
    void attach(const Frontend& frontend) { m_frontend.attach(frontend); }
    void detach() { m_frontend.detach(); }

    // "/uninstall" removes the stored settings, the autostart entry and the saved history, and
    // the start ends there. Otherwise the station binds its sockets, the options are loaded and
    // stored again, the history's old days go, and the station announces itself under the
    // stored nick, or the login name, or "anonymní".
    StartOutcome start(const StartOptions& options);
    // The lines the transcript begins with once the station runs.
    QList<BannerLine> startBanner() const;
    // The peers hear the station leave; once, and only after it was announced.
    void shutDown();

    // The user goes by nick from now on: the peers hear it, and the options take it (storing
    // them is the caller's, with whatever else changed).
    void rename(const QString& nick);
    // What "/about" shows.
    QString aboutText() const;

    Station& station() { return m_station; }
    const Station& station() const { return m_station; }
    FileTransfers& transfers() { return m_transfers; }
    SettingsModel& settings() { return m_settings; }
    SettingsStore& store() { return m_store; }
    // Written while the options say so.
    HistoryLog& history() { return m_history; }

private:
    void uninstall();

    SettingsStore& m_store;
    Autostart& m_autostart;
    const QString m_loginName;
    SettingsModel m_settings;
    HistoryLog m_history;
    FrontendRelay m_frontend;
    Station m_station;
    TcpTransferNetwork m_network;
    FileTransfers m_transfers;
    bool m_running = false;
};
