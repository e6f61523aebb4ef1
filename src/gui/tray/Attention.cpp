#include "Attention.h"

#include "SoundPlayer.h"
#include "TrayIcon.h"

namespace {
const QString ActivityText = QStringLiteral("probíhá aktivita\r");
const QString ActivityTitle = QStringLiteral("Kestrowind 2 informace");
constexpr std::chrono::seconds ActivityTime{1};

// One line of plain text: a peer's line breaks, tabs and control characters become spaces.
QString oneLine(const QString& text)
{
    QString line = text;
    for (QChar& c : line) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Separator_Line ||
            c.category() == QChar::Separator_Paragraph)
            c = u' ';
    }
    return line.simplified();
}
} // namespace

Attention::Attention(TrayIcon& tray, SoundPlayer& sound, CurrentSight sight, CurrentOptions options,
                     Alert alert)
    : m_tray(tray)
    , m_sound(sound)
    , m_sight(std::move(sight))
    , m_options(std::move(options))
    , m_alert(std::move(alert))
{
}

QString Attention::activityText(const QString& nick, const QString& text)
{
    const QString who = oneLine(nick);
    QString preview = who.isEmpty() ? oneLine(text) : who + QStringLiteral(": ") + oneLine(text);
    if (preview.size() > PreviewLength) {
        qsizetype cut = PreviewLength - 1;
        // Never half of a character that takes two code units.
        if (preview.at(cut - 1).isHighSurrogate())
            --cut;
        preview = preview.left(cut) + u'…';
    }
    return ActivityText + preview;
}

void Attention::onTranscriptChanged(const QString& nick, const QString& text)
{
    const Options options = m_options();
    const WindowSight sight = m_sight();
    const bool hidden = sight == WindowSight::Hidden;
    // An entry raises up to three changes in a row; the tray shows their balloons as one
    // and each play restarts the sound, so the user notices a single event.
    if (options.balloonWhenMinimised && hidden)
        m_tray.showBalloon(activityText(nick, text), ActivityTitle, ActivityTime);
    if ((options.playSoundWhenMinimised && hidden) || options.playSound)
        m_sound.play();
    if (hidden || sight == WindowSight::Behind) {
        m_tray.setUnread(true);
        m_alert();
    }
}

void Attention::onWindowActivated()
{
    m_tray.setUnread(false);
}
