#include "SettingsEditor.h"

#include "SettingsDialog.h"
#include "core/app/SettingsModel.h"
#include "core/app/Version.h"

#include <QMessageBox>
#include <QWidget>

SettingsEditor::SettingsEditor(SettingsModel& model, NickInUse nickInUse, QWidget* window)
    : QObject(window)
    , m_model(model)
    , m_nickInUse(std::move(nickInUse))
    , m_window(window)
{
    connect(&m_model, &SettingsModel::changed, this, &SettingsEditor::onOptionsChanged);
    connect(&m_model, &SettingsModel::firstRun, this, &SettingsEditor::greet);
}

SettingsEditor::~SettingsEditor()
{
    delete m_dialog.data();
}

SettingsDialog* SettingsEditor::dialog() const
{
    return m_dialog;
}

void SettingsEditor::show()
{
    if (!m_dialog) {
        auto* dialog = new SettingsDialog(m_window);
        // Deleted later, never inside one of its own handlers.
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        m_dialog = dialog;
        // Forgotten at once, so the next show loads the options afresh even before the
        // deletion happens.
        connect(dialog, &SettingsDialog::closed, this, [this, dialog] {
            if (m_dialog == dialog)
                m_dialog = nullptr;
        });
        connect(dialog, &SettingsDialog::saveClicked, this, &SettingsEditor::onSaveClicked);
        connect(dialog, &SettingsDialog::updateLinkClicked, this,
                &SettingsEditor::updateLinkClicked);
        dialog->setOptions(m_model.options());
    }
    m_dialog->setTrayMissing(m_inTray && !m_inTray());
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

// A rename from the menu shows in the open dialog; the user's other edits there stay.
void SettingsEditor::onOptionsChanged(const Options& options)
{
    if (!m_dialog)
        return;
    Options shown = m_dialog->options();
    shown.nick = options.nick;
    m_dialog->setOptions(shown);
}

void SettingsEditor::onSaveClicked()
{
    if (!m_dialog)
        return;
    QPointer<SettingsDialog> dialog = m_dialog;
    Options options = dialog->options();
    if (options.nick.isEmpty())
        options.nick = m_nickInUse();
    emit nickConfirmed(options.nick);
    m_model.setOptions(options);
    m_model.save();
    if (dialog)
        dialog->close();
}

void SettingsEditor::greet()
{
    // Not modal: the start-up goes on while the user reads it.
    auto* box =
        new QMessageBox(QMessageBox::Information, QString::fromLatin1(Version::ProductName),
                        QStringLiteral("Vítejte v aplikaci pro komunikaci uživatelů v síti.") +
                            QStringLiteral("\r\n\r\n") +
                            QStringLiteral("%1, %2").arg(QLatin1String(Version::MakerWeb),
                                                         QLatin1String(Version::MakerMail)),
                        QMessageBox::Ok, m_window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
    // The main window is shown after the start-up that greets and would take the focus: the
    // box takes it back once the window is up, so that Enter closes the box.
    QMetaObject::invokeMethod(
        box,
        [box] {
            if (!box->isVisible())
                return;
            box->raise();
            box->activateWindow();
        },
        Qt::QueuedConnection);
}
