#pragma once

#include "TrayFakes.h"
#include "app/Autostart.h"
#include "app/SettingsStore.h"
#include "protocol/Framing.h"
#include "tray/TrayCode.h"
#include "ui/StatusPanels.h"
#include "ui/TranscriptView.h"
#include "ui/frmchat.h"

#include <QTemporaryDir>
#include <QUdpSocket>

inline quint16 freeUdpPort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::AnyIPv4, 0);
    return probe.localPort();
}

// A main window on loopback, so what it sends to everybody comes back to itself, with its
// settings and autostart entry in folders of its own and a stand-in tray icon and sound.
struct MainWindowFixture {
    explicit MainWindowFixture(QHostAddress broadcast = QHostAddress(QHostAddress::LocalHost))
        : window{{store, autostart, sound, tray, UdpEndpoints{port, broadcast}}}
    {
    }

    // A stored option, as a returning user has it; "first" marks that user as returning.
    void storeOption(const QString& key, const QString& value)
    {
        store.write(QStringLiteral("kestrowind2"), QStringLiteral("options"), key, value);
    }
    QString storedOption(const QString& key) const
    {
        return store.read(QStringLiteral("kestrowind2"), QStringLiteral("options"), key);
    }

    bool start(const StartOptions& options = {})
    {
        if (!window.Form_Load(options))
            return false;
        window.show();
        return true;
    }

    // The transcript's lines, without the time stamps.
    QStringList lines() const
    {
        QStringList result;
        const TranscriptEntries& entries = window.chat()->entries();
        for (qsizetype i = 0; i < entries.entryCount(); ++i) {
            TranscriptEntry entry = entries.entryAt(i);
            entry.stamp.clear();
            result << entry.lines();
        }
        return result;
    }

    QString count() const { return window.status()->panelText(QStringLiteral("users_online")); }

    // A packet from a peer on this host.
    void receive(const QByteArray& data) const
    {
        QUdpSocket peer;
        peer.writeDatagram(*Framing::framePacket(data), QHostAddress::LocalHost, port);
    }

    QTemporaryDir config;
    QSettingsStore store{config.path()};
    PlatformAutostart autostart{config.filePath(QStringLiteral("autostart"))};
    CountingSound sound;
    FakeTrayIcon* trayIcon = new FakeTrayIcon; // owned by the tray
    TrayCode tray{std::unique_ptr<TrayIconBackend>(trayIcon)};
    quint16 port = freeUdpPort();
    frmchat window;
};
