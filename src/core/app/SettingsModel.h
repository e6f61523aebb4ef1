#pragma once

#include "Settings.h"

#include <QObject>

class Autostart;
class SettingsStore;

// The options in force. Loaded from the store once at start, and written back whole when the
// user saves them; what anything in the program reads is this, never a dialog's controls.
class SettingsModel final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SettingsModel)

public:
    SettingsModel(SettingsStore& store, Autostart& autostart, QString programFolder,
                  QObject* parent = nullptr);

    // Reads the options from the store; a user's first run is said with firstRun().
    void load();
    // Writes the options, and adds or removes the autostart entry as they say.
    void save();

    const Options& options() const { return m_options; }
    void setOptions(const Options& options);
    void setNick(const QString& nick);

signals:
    void changed(const Options& options);
    // The store knew nothing of this user; the options are the first run's.
    void firstRun();

private:
    SettingsStore& m_store;
    Autostart& m_autostart;
    QString m_programFolder;
    Options m_options;
};
