#include "SettingsHolder.h"

#include "SettingsDialog.h"
#include "core/app/Version.h"

#include <QMessageBox>
#include <QWidget>

SettingsHolder::SettingsHolder(SettingsStore& store, Autostart& autostart, QString programFolder,
                               NickInUse nickInUse, QWidget* window)
    : QObject(window)
    , m_store(store)
    , m_autostart(autostart)
    , m_programFolder(std::move(programFolder))
    , m_nickInUse(std::move(nickInUse))
    , m_window(window)
{
}

SettingsHolder::~SettingsHolder()
{
    delete m_dialog.data();
}

SettingsDialog& SettingsHolder::dialog()
{
    if (m_dialog)
        return *m_dialog;

    auto* dialog = new SettingsDialog(m_window);
    // Deleted later, never inside one of its own handlers.
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_dialog = dialog;
    // Forgotten at once, so the next read loads the store even before the deletion happens.
    connect(dialog, &SettingsDialog::closed, this, [this, dialog] {
        if (m_dialog == dialog)
            m_dialog = nullptr;
    });
    connect(dialog, &SettingsDialog::saveClicked, this, &SettingsHolder::onSaveClicked);
    connect(dialog, &SettingsDialog::updateLinkClicked, this, &SettingsHolder::updateLinkClicked);

    Options options;
    const LoadOutcome outcome = loadSettings(m_store, options);
    dialog->setOptions(options);
    if (outcome == LoadOutcome::FirstRun)
        greet();
    return *dialog;
}

Options SettingsHolder::current()
{
    return dialog().options();
}

void SettingsHolder::show()
{
    SettingsDialog& shown = dialog();
    shown.show();
    shown.raise();
    shown.activateWindow();
}

void SettingsHolder::setNick(const QString& nick)
{
    Options options = current();
    options.nick = nick;
    dialog().setOptions(options);
}

void SettingsHolder::save()
{
    saveSettings(m_store, current(), m_programFolder, m_autostart);
}

void SettingsHolder::onSaveClicked()
{
    if (!m_dialog)
        return;
    QPointer<SettingsDialog> dialog = m_dialog;
    Options options = dialog->options();
    if (options.nick.isEmpty())
        options.nick = m_nickInUse();
    emit nickConfirmed(options.nick);
    saveSettings(m_store, options, m_programFolder, m_autostart);
    if (dialog)
        dialog->close();
}

void SettingsHolder::greet()
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
