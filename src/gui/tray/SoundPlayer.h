#pragma once

#include <QString>

#include <functional>
#include <memory>

class QSoundEffect;

// Something that makes the program's short attention sound.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    // Starts the sound and returns at once; a sound still playing starts over.
    virtual void play() = 0;
};

// Plays a wave file through the default audio output. Without a usable file the desktop's
// own beep stands in, so the user still hears that something happened.
class WaveFilePlayer final : public SoundPlayer {
    Q_DISABLE_COPY_MOVE(WaveFilePlayer)

public:
    using Beep = std::function<void()>;

    // The "sound.wav" that ships with the program.
    WaveFilePlayer();
    explicit WaveFilePlayer(const QString& path, Beep beep = {});
    ~WaveFilePlayer() override;

    static QString defaultPath();

    void play() override;
    // The file is decoded; until then a play waits for it.
    bool isReady() const;

private:
    void onStatusChanged();

    Beep m_beep;
    std::unique_ptr<QSoundEffect> m_effect; // none when the file is missing
    bool m_beepIfLoadFails = false;
};
