#pragma once

#include <QString>

class SettingsStore;

// The user's options as stored in section "options".
struct Options {
    QString nick;
    bool afterstart = false;
    bool totray = false;
    bool tooltip = false;
    bool playsound = false;
    bool maxokno = false;
    bool playwhenmin = false;
};

enum class LoadOutcome { Loaded, FirstRun };

// Fills the options from the store. On the first run for a user the nick becomes the login
// name and the run is marked, so the caller can greet once.
LoadOutcome LoadSettings(SettingsStore& store, Options& options);
// Writes the options, and the program's folder and version for the update client.
void SaveSettings(SettingsStore& store, const Options& options, const QString& programFolder);
