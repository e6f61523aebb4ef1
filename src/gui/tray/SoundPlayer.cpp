#include "SoundPlayer.h"

#include "core/app/Platform.h"

#include <QApplication>
#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

WaveFilePlayer::WaveFilePlayer()
    : WaveFilePlayer(defaultPath())
{
}

WaveFilePlayer::WaveFilePlayer(const QString& path, Beep beep)
    : m_beep(beep ? std::move(beep) : Beep([] { QApplication::beep(); }))
{
    if (!QFileInfo(path).isFile())
        return;
    // Loaded now, so the first play is not held up by decoding.
    m_effect = std::make_unique<QSoundEffect>();
    QObject::connect(m_effect.get(), &QSoundEffect::statusChanged, m_effect.get(),
                     [this] { onStatusChanged(); });
    m_effect->setSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

WaveFilePlayer::~WaveFilePlayer() = default;

QString WaveFilePlayer::defaultPath()
{
    return Platform::dataFile(QStringLiteral("sound.wav"));
}

void WaveFilePlayer::play()
{
    if (!m_effect || m_effect->status() == QSoundEffect::Error) {
        m_beep();
        return;
    }
    if (!isReady()) {
        // Still decoding: the effect plays once it is ready; if it never is, beep instead.
        m_beepIfLoadFails = true;
        m_effect->play();
        return;
    }
    if (m_effect->isPlaying())
        m_effect->stop();
    m_effect->play();
}

bool WaveFilePlayer::isReady() const
{
    return m_effect && m_effect->status() == QSoundEffect::Ready;
}

void WaveFilePlayer::onStatusChanged()
{
    const bool failed = m_effect->status() == QSoundEffect::Error;
    if (failed && m_beepIfLoadFails)
        m_beep();
    if (failed || m_effect->status() == QSoundEffect::Ready)
        m_beepIfLoadFails = false;
}
