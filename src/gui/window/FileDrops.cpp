#include "FileDrops.h"

#include "Composer.h"
#include "MainWindow.h"
#include "StatusPanels.h"
#include "UserActions.h"
#include "UserListView.h"
#include "core/app/ChatClient.h"
#include "core/protocol/Roster.h"
#include "core/transfer/FileTransfers.h"
#include "gui/transcript/TranscriptView.h"
#include "gui/transfer/FileDropFilter.h"

namespace {

// How long the hint stands in the status bar.
constexpr int HintMs = 6000;

// The address of the listed user with this key, unless that is the own entry or gone.
QString peerAddress(const Roster& roster, const QString& key)
{
    const int row = key.isEmpty() ? -1 : roster.rowOf(key);
    if (row < 0 || roster.at(row).icon == QLatin1String(Roster::OwnIcon))
        return {};
    return Roster::addressOf(key);
}

} // namespace

void installFileDrops(MainWindow& window)
{
    const Roster& roster = window.client().station().roster();
    FileTransfers& transfers = window.client().transfers();
    const auto offer = [&transfers](const QString& address, const QStringList& paths) {
        transfers.offerFiles(address, paths);
    };
    UserListView* users = window.userList();
    FileDropFilter::install(
        users->viewport(),
        [users, &roster](const QPoint& pos) {
            return peerAddress(roster, users->indexAt(pos).data(Roster::KeyRole).toString());
        },
        offer);
    const auto selected = [&window, &roster](const QPoint&) {
        return peerAddress(roster, window.userActions().selectedUser());
    };
    const auto hint = [&window] {
        window.statusPanels()->showMessage(
            QStringLiteral("soubory přetáhněte na uživatele v seznamu, nebo ho nejdříve vyberte"),
            HintMs);
    };
    FileDropFilter::install(window.transcript()->viewport(), selected, offer, hint);
    FileDropFilter::install(window.composer(), selected, offer, hint);
}
