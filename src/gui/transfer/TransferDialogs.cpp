#include "TransferDialogs.h"

#include "TransferProgressWindow.h"
#include "core/transfer/FileTransfers.h"

#include <QFileDialog>
#include <QMessageBox>

TransferDialogs::TransferDialogs(FileTransfers& transfers, QWidget* dialogParent)
    : QObject(dialogParent)
    , m_transfers(transfers)
    , m_dialogParent(dialogParent)
{
    connect(&m_transfers, &FileTransfers::transferStarted, this, &TransferDialogs::showProgress);
}

void TransferDialogs::offerFileTo(const QString& address)
{
    auto* dialog = new QFileDialog(m_dialogParent, {}, m_sendFolder.start());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    // Every file, with or without a dot in its name.
    dialog->setNameFilter(QStringLiteral("všechny soubory (*)"));
    connect(dialog, &QFileDialog::filesSelected, this, [this, address](const QStringList& paths) {
        if (paths.isEmpty())
            return;
        m_sendFolder.remember(paths.first());
        m_transfers.offerFiles(address, paths);
    });
    dialog->open();
}

void TransferDialogs::askToAccept(const QString& question, std::function<void(bool)> answered)
{
    auto* box = new QMessageBox(QMessageBox::Question, QStringLiteral("příjem souboru"), question,
                                QMessageBox::Yes | QMessageBox::No, m_dialogParent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextFormat(Qt::PlainText);
    connect(box, &QDialog::finished, this, [box, answered = std::move(answered)] {
        answered(box->clickedButton() == box->button(QMessageBox::Yes));
    });
    // Not modal: whoever is typing in the main window goes on, and answers when they look.
    box->setWindowModality(Qt::NonModal);
    showWithoutFocus(box);
}

void TransferDialogs::chooseDestination(const QString& title, const QString& proposedName,
                                        std::function<void(const QString&)> chosen)
{
    // The dialog asks before it replaces a file, as QFileDialog does unless told not to.
    auto* dialog = new QFileDialog(m_dialogParent, title, m_receiveFolder.start());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // Qt's own dialog, not the desktop's: only its keys can be guarded.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->selectFile(proposedName);
    connect(dialog, &QDialog::finished, this,
            [this, dialog, chosen = std::move(chosen)](int result) {
                const QStringList files = dialog->selectedFiles();
                const QString file =
                    result == QDialog::Accepted && !files.isEmpty() ? files.first() : QString();
                m_receiveFolder.remember(file);
                chosen(file);
            });
    // It takes the focus, as the name is typed there; a key held since the question cannot
    // save under the proposed name.
    new KeyboardGuard(dialog, m_keyGuardDelay);
    dialog->open();
}

void TransferDialogs::showProgress(Transfer* transfer)
{
    auto* window = new TransferProgressWindow(*transfer, m_dialogParent);
    window->show();
}
