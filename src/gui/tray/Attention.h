#pragma once

#include "core/app/Settings.h"

#include <QString>
#include <QtGlobal>

#include <functional>

class SoundPlayer;
class TrayIcon;

// Draws the user's eye to new transcript activity with a tray balloon, the sound, the unread
// mark on the tray icon and the window's urgency, as the options and the window's place say.
class Attention final {
    Q_DISABLE_COPY_MOVE(Attention)

public:
    // Where the main window is for the user, as the window itself keeps track of it.
    enum class WindowSight {
        Starting, // not shown yet: its own start-up lines are nobody's news
        Active, // in front, with the keyboard
        Behind, // open, but another window has the keyboard
        Hidden, // minimised, or hidden in the tray whichever way it went there
    };
    using CurrentSight = std::function<WindowSight()>;
    // Read at every change: the user may have changed the options in between.
    using CurrentOptions = std::function<Options()>;
    // Marks the window as needing attention, as the desktop shows it (the urgency hint).
    using Alert = std::function<void()>;

    // The balloon's second line, after who wrote and how the line starts, is cut to this.
    static constexpr qsizetype PreviewLength = 80;

    Attention(TrayIcon& tray, SoundPlayer& sound, CurrentSight sight, CurrentOptions options,
              Alert alert);

    // A run of a transcript entry with the entry's nick (empty for none) and text; both empty
    // for a clearing.
    void onTranscriptChanged(const QString& nick, const QString& text);
    // The user has the window in front: nothing waits unread any more.
    void onWindowActivated();

    // The balloon's text: its fixed first line, then the sender and the start of the line.
    static QString activityText(const QString& nick, const QString& text);

private:
    TrayIcon& m_tray;
    SoundPlayer& m_sound;
    CurrentSight m_sight;
    CurrentOptions m_options;
    Alert m_alert;
};
