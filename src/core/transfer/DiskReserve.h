#pragma once

#include <QString>

#include <functional>

// A file system's size and the bytes this user may still write to it; negative when the
// system cannot tell.
struct VolumeSpace {
    qint64 size = -1;
    qint64 free = -1;
};

// Looks up the file system a path lies on. The program asks the system; tests hand in a
// volume of the size they need.
using VolumeLookup = std::function<VolumeSpace(const QString& path)>;
VolumeSpace lookUpVolume(const QString& path);

// Keeps a received file from filling its disk: grants bytes up to a reserve the file system
// keeps free for everything else, and looks at the disk again only when a grant is used up.
class DiskReserve final {
    Q_DISABLE_COPY_MOVE(DiskReserve) // two copies would spend one grant twice

public:
    // Kept free on a small disk: what the system and other programs need to go on working.
    static constexpr qint64 ReservePercent = 1;
    // A terabyte disk need not keep ten gigabytes back from a file the user asked for.
    static constexpr qint64 MaxReserve = qint64(256) << 20;
    // Written between two looks at most: what other programs write meanwhile goes unseen for
    // no longer than this, and a gigabit link looks about four times a second.
    static constexpr qint64 MaxGrant = qint64(32) << 20;

    DiskReserve(QString path, VolumeLookup lookUp);

    // Of `wanted` bytes, how many may be written now; fewer means the reserve is reached.
    qint64 take(qint64 wanted);
    void setLookup(VolumeLookup lookUp) { m_lookUp = std::move(lookUp); }

private:
    qint64 lookAgain() const;

    QString m_path;
    VolumeLookup m_lookUp;
    qint64 m_granted = 0; // may still be written before the next look
};
