#pragma once

#include <QString>
#include <QStringList>

class Autostart;
class SettingsStore;

// The user's options as stored in section "options"; the stored key of each is beside it.
struct Options {
    QString nick;
    bool startWithSystem = false; // "afterstart": the autostart entry
    bool startMinimised = false; // "totray": the window starts in the tray, if there is one
    bool balloonWhenMinimised = false; // "tooltip": a balloon for activity while hidden
    bool playSound = false; // "playsound": the sound for every activity
    bool restoreOnActivity = false; // "maxokno": stored and shown, nothing acts on it
    bool playSoundWhenMinimised = false; // "playwhenmin": the sound for activity while hidden
    bool saveHistory = false; // "savehistory": every transcript entry into a file per day
    // "extraips": where broadcasts go as well, beyond the own network; blank-separated.
    QStringList extraAddresses = {};
    // "interface": the network interface to be known by, by name; empty lets the system pick.
    QString networkInterface = {};

    bool operator==(const Options&) const = default;
};

enum class LoadOutcome { Loaded, FirstRun };

// Fills the options from the store; a box whose stored text is missing or not a check state
// keeps its value. On the first run for a user the nick becomes the login name and the run is
// marked, so the caller can greet once.
LoadOutcome loadSettings(SettingsStore& store, Options& options);
// Writes the options, and the program's folder and version for the update client, then adds or
// removes the autostart entry as startWithSystem says. A failing autostart entry is ignored.
void saveSettings(SettingsStore& store, const Options& options, const QString& programFolder,
                  Autostart& autostart);
