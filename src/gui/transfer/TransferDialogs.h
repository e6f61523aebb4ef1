#pragma once

#include "core/transfer/FileTransfers.h"
#include "core/transfer/TransferNetwork.h"
#include "core/transfer/TransferPrompts.h"
#include "gui/common/RecentFolder.h"

#include <QDir>
#include <QObject>

class Station;
class TranscriptSink;
class QWidget;

// File transfer as the user sees it: the dialog that picks a file to offer, the question
// and the save dialog for an offered one, and a progress window for every transfer. None
// of them holds up the network while it is open, and none that a peer's packet raises takes
// a key the user meant for the main window.
class TransferDialogs final : public QObject, public TransferPrompts {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TransferDialogs)

public:
    TransferDialogs(Station& station, TranscriptSink& transcript, QWidget* dialogParent);

    // "zaslat soubor": asks for a file and offers it to the user at address.
    void offerFileTo(const QString& address);

    void askToAccept(const QString& question, std::function<void(bool)> answered) override;
    void chooseDestination(const QString& title, const QString& proposedName,
                           std::function<void(const QString&)> chosen) override;

private:
    void showProgress(Transfer* transfer);

    QWidget* m_dialogParent;
    RecentFolder m_sendFolder{&QDir::homePath};
    RecentFolder m_receiveFolder{&downloadFolder};
    TcpTransferNetwork m_network;
    FileTransfers m_transfers;
};
