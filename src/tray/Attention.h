#pragma once

#include "app/Settings.h"

#include <QtGlobal>

#include <functional>

class SoundPlayer;
class TrayCode;

// Draws the user's eye to new transcript activity with a tray balloon and the sound,
// as the options ask.
class Attention final {
    Q_DISABLE_COPY_MOVE(Attention)

public:
    // True while the main window is minimised, hidden in the tray included.
    using IsMinimised = std::function<bool()>;
    // Read at every change: the user may have changed the options in between.
    using CurrentOptions = std::function<Options()>;

    Attention(TrayCode& tray, SoundPlayer& sound, IsMinimised isMinimised, CurrentOptions options);

    // The transcript's text has changed.
    void chat_Change();

private:
    TrayCode& m_tray;
    SoundPlayer& m_sound;
    IsMinimised m_isMinimised;
    CurrentOptions m_options;
};
