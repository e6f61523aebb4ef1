#pragma once

#include "core/transfer/TransferPrompts.h"
#include "gui/common/KeyboardGuard.h"
#include "gui/common/RecentFolder.h"

#include <QDir>
#include <QObject>

class FileTransfers;
class Transfer;
class QWidget;

// File transfer as the user sees it: the dialog that picks a file to offer, the question
// and the save dialog for an offered one, and a progress window for every transfer. None
// of them holds up the network while it is open, and none that a peer's packet raises takes
// a key the user meant for the main window. The transfers themselves are the client's.
class TransferDialogs final : public QObject, public TransferPrompts {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TransferDialogs)

public:
    TransferDialogs(FileTransfers& transfers, QWidget* dialogParent);

    // "zaslat soubor": asks for files and offers them to the user at address.
    void offerFileTo(const QString& address);

    void askToAccept(const QString& question, std::function<void(bool)> answered) override;
    void chooseDestination(const QString& title, const QString& proposedName,
                           std::function<void(const QString&)> chosen) override;

    // How long the save dialog drops keys after it appears; tests shorten it.
    void setKeyGuardDelay(std::chrono::milliseconds delay) { m_keyGuardDelay = delay; }

private:
    void showProgress(Transfer* transfer);

    FileTransfers& m_transfers;
    QWidget* m_dialogParent;
    RecentFolder m_sendFolder{&QDir::homePath};
    RecentFolder m_receiveFolder{&downloadFolder};
    std::chrono::milliseconds m_keyGuardDelay = KeyboardGuard::DefaultDelay;
};
