#pragma once

#include "Loopback.h"
#include "TrayFakes.h"
#include "core/app/Autostart.h"
#include "core/app/ChatClient.h"
#include "core/app/SettingsStore.h"
#include "core/protocol/Framing.h"
#include "gui/transcript/TranscriptView.h"
#include "gui/tray/QtTrayIconBackend.h"
#include "gui/tray/TrayIcon.h"
#include "gui/window/MainMenus.h"
#include "gui/window/MainWindow.h"
#include "gui/window/StatusPanels.h"
#include "gui/window/UserActions.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

// A headless compositor has no seat to give the keyboard to.
#define KW_SKIP_WITHOUT_KEYBOARD()                                                                 \
    if (QGuiApplication::platformName() == QLatin1String("wayland"))                               \
    QSKIP("no window gets the keyboard from a compositor without a seat")

// A client and its main window on loopback, so what it sends to everybody comes back to itself,
// with its settings and autostart entry in folders of its own and a stand-in tray icon and sound.
struct MainWindowFixture {
    // Where the desktop's real notification area is wanted, the icon is the platform's own.
    enum class TrayKind { StandIn, Desktop };

    explicit MainWindowFixture(QHostAddress broadcast = QHostAddress(QHostAddress::LocalHost),
                               TrayKind icon = TrayKind::StandIn)
        : trayIcon(icon == TrayKind::StandIn ? new FakeTrayIcon : nullptr)
        , tray(trayIcon ? std::unique_ptr<TrayIconBackend>(trayIcon)
                        : std::make_unique<QtTrayIconBackend>())
        , client({.store = store,
                  .autostart = autostart,
                  .endpoints = UdpEndpoints{port, broadcast},
                  .historyFolder = config.filePath(QStringLiteral("historie"))})
        , window(client, {sound, tray})
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

    // Starts as a returning user (no welcome), under this nick if one is given.
    bool start(const QString& nick = {})
    {
        storeOption(QStringLiteral("first"), QStringLiteral("true"));
        if (!nick.isEmpty())
            storeOption(QStringLiteral("nick"), nick);
        if (!window.start({}))
            return false;
        window.presentAtStart(false);
        return true;
    }
    Station& station() { return client.station(); }
    // Its own announcement has come back and it lists itself.
    bool listsItself()
    {
        return QTest::qWaitFor([this] { return station().roster().count() == 1; });
    }

    // The transcript's lines, without the time stamps.
    QStringList lines() const
    {
        QStringList result;
        const TranscriptEntries& entries = window.transcript()->entries();
        for (qsizetype i = 0; i < entries.entryCount(); ++i) {
            TranscriptEntry entry = entries.entryAt(i);
            entry.stamp.clear();
            result << entry.lines();
        }
        return result;
    }

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
    FakeTrayIcon* trayIcon; // owned by the tray; none with the desktop's own icon
    TrayIcon tray;
    quint16 port = freeUdpPort();
    ChatClient client; // outlives the window, as in the program
    MainWindow window;
};

// The visible top-level windows of a kind, as the user would find them on the screen.
template<typename Window> QList<Window*> shownWindows()
{
    QList<Window*> shown;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<Window*>(widget); window && window->isVisible())
            shown << window;
    }
    return shown;
}
template<typename Dialog> Dialog* shownDialog()
{
    return shownWindows<Dialog>().value(0);
}

// Answers the open message box as the user would; gives what it said as "title|text".
inline QString answerBox(QMessageBox::StandardButton button)
{
    auto* box = shownDialog<QMessageBox>();
    if (!box)
        return QStringLiteral("(no box)");
    const QString shown = box->windowTitle() + QLatin1Char('|') + box->text();
    box->button(button)->click();
    return shown;
}

// Confirms the open modal dialog of a kind as its button does, a file dialog with this file.
template<typename Dialog> bool acceptDialog(const QString& file = {})
{
    auto* dialog = shownDialog<Dialog>();
    if (!dialog || !dialog->isModal())
        return false;
    if constexpr (std::is_base_of_v<QFileDialog, Dialog>)
        dialog->selectFile(file);
    static_cast<QDialog*>(dialog)->accept();
    return true;
}
