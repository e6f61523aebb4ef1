#pragma once

#include "core/app/Settings.h"

#include <QObject>
#include <QPointer>

#include <functional>

class Autostart;
class SettingsDialog;
class SettingsStore;
class QWidget;

// Keeps the one settings dialog, whose controls are the live options. The dialog is made hidden
// on first use and loaded from the store; closing it throws it away, which is how unsaved edits
// are discarded.
class SettingsHolder final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SettingsHolder)

public:
    // The nick the station goes by now.
    using NickInUse = std::function<QString()>;

    // The window parents both the dialog and the first-run welcome box.
    SettingsHolder(SettingsStore& store, Autostart& autostart, QString programFolder,
                   NickInUse nickInUse, QWidget* window = nullptr);
    ~SettingsHolder() override;

    SettingsDialog& dialog();
    Options current();
    // Shows the one dialog, made or loaded first if need be, and brings it to the front.
    void show();
    void setNick(const QString& nick);
    void save();

signals:
    // "uložit změny": the nick to use from now on, sent before the options are stored. An
    // emptied nick field keeps the nick in use: peers never see an entry without a name.
    void nickConfirmed(const QString& nick);
    void updateLinkClicked();

private:
    void onSaveClicked();
    void greet();

    SettingsStore& m_store;
    Autostart& m_autostart;
    QString m_programFolder;
    NickInUse m_nickInUse;
    QPointer<QWidget> m_window;
    QPointer<SettingsDialog> m_dialog;
};
