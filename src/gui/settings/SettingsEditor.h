#pragma once

#include "core/app/Settings.h"

#include <QObject>
#include <QPointer>

#include <functional>

class SettingsDialog;
class SettingsModel;
class QWidget;

// Owns the one settings dialog: opens it loaded from the options in force, and on "uložit
// změny" stores what it shows into them. Closing it throws it away, which is how unsaved edits
// are discarded. Greets a user on the first run.
class SettingsEditor final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SettingsEditor)

public:
    // The nick the station goes by now.
    using NickInUse = std::function<QString()>;

    // The window parents both the dialog and the first-run welcome box.
    SettingsEditor(SettingsModel& model, NickInUse nickInUse, QWidget* window = nullptr);
    ~SettingsEditor() override;

    // Asked whenever the dialog opens: whether the icon is in a notification area now.
    void setTrayPresence(std::function<bool()> inTray) { m_inTray = std::move(inTray); }
    // Shows the one dialog, made and loaded first if need be, and brings it to the front.
    void show();
    // The dialog while it is open, else null.
    SettingsDialog* dialog() const;

signals:
    // "uložit změny": the nick to use from now on, sent before the options are stored. An
    // emptied nick field keeps the nick in use: peers never see an entry without a name.
    void nickConfirmed(const QString& nick);
    void updateLinkClicked();

private:
    void onSaveClicked();
    void onOptionsChanged(const Options& options);
    void greet();

    SettingsModel& m_model;
    NickInUse m_nickInUse;
    QPointer<QWidget> m_window;
    QPointer<SettingsDialog> m_dialog;
    std::function<bool()> m_inTray;
};
