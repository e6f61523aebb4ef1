#include "DiskReserve.h"

#include <QStorageInfo>

#include <algorithm>

VolumeSpace lookUpVolume(const QString& path)
{
    const QStorageInfo volume(path);
    if (!volume.isValid() || !volume.isReady())
        return {};
    return {volume.bytesTotal(), volume.bytesAvailable()};
}

DiskReserve::DiskReserve(QString path, VolumeLookup lookUp)
    : m_path(std::move(path))
    , m_lookUp(std::move(lookUp))
{
}

qint64 DiskReserve::take(qint64 wanted)
{
    if (wanted > m_granted)
        m_granted = lookAgain();
    const qint64 taken = std::min(wanted, m_granted);
    m_granted -= taken;
    return taken;
}

// A file system that cannot say how full it is is written to as before, and a full one
// still shows in the failing write.
qint64 DiskReserve::lookAgain() const
{
    const VolumeSpace volume = m_lookUp(m_path);
    if (volume.size <= 0 || volume.free < 0)
        return MaxGrant;
    const qint64 reserve = std::min(volume.size / 100 * ReservePercent, MaxReserve);
    return std::clamp<qint64>(volume.free - reserve, 0, MaxGrant);
}
