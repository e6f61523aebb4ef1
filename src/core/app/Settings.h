#pragma once

#include <QString>

class Autostart;
class SettingsStore;

// The user's options as stored in section "options".
struct Options {
    QString nick;
    bool afterstart = false; // Check1
    bool totray = false; // Check2
    bool tooltip = false; // Check3
    bool playsound = false; // Check4
    bool maxokno = false; // Check5
    bool playwhenmin = false; // Check6

    bool operator==(const Options&) const = default;
};

enum class LoadOutcome { Loaded, FirstRun };

// Fills the options from the store; a box whose stored text is missing or not a check state
// keeps its value. On the first run for a user the nick becomes the login name and the run is
// marked, so the caller can greet once.
LoadOutcome loadSettings(SettingsStore& store, Options& options);
// Writes the options, and the program's folder and version for the update client, then adds or
// removes the autostart entry as "afterstart" says. A failing autostart entry is ignored.
void saveSettings(SettingsStore& store, const Options& options, const QString& programFolder,
                  Autostart& autostart);
