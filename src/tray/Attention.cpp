#include "Attention.h"

#include "SoundPlayer.h"
#include "TrayCode.h"

namespace {
const QString ActivityText = QStringLiteral("probíhá aktivita\r");
const QString ActivityTitle = QStringLiteral("Kestrowind 2 informace");
constexpr int ActivitySeconds = 1;
} // namespace

Attention::Attention(TrayCode& tray, SoundPlayer& sound, IsMinimised isMinimised,
                     CurrentOptions options)
    : m_tray(tray)
    , m_sound(sound)
    , m_isMinimised(std::move(isMinimised))
    , m_options(std::move(options))
{
}

void Attention::chat_Change()
{
    const Options options = m_options();
    const bool minimised = m_isMinimised();
    // An entry raises up to three changes in a row; the tray shows their balloons as one
    // and each play restarts the sound, so the user notices a single event.
    if (options.tooltip && minimised)
        m_tray.TrayBalloon(ActivityText, ActivityTitle, ActivitySeconds);
    if ((options.playwhenmin && minimised) || options.playsound)
        m_sound.play();
}
