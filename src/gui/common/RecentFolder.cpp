#include "RecentFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

RecentFolder::RecentFolder(std::function<QString()> fallback)
    : m_fallback(std::move(fallback))
{
}

QString RecentFolder::start() const
{
    // A folder deleted or unmounted meanwhile would open the dialog nowhere.
    if (!m_last.isEmpty() && QFileInfo(m_last).isDir())
        return m_last;
    return m_fallback();
}

void RecentFolder::remember(const QString& chosenFile)
{
    if (!chosenFile.isEmpty())
        m_last = QFileInfo(chosenFile).absolutePath();
}

QString downloadFolder()
{
    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    return !downloads.isEmpty() && QFileInfo(downloads).isDir() ? downloads : QDir::homePath();
}
