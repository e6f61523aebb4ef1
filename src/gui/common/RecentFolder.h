#pragma once

#include <QString>

#include <functional>

// Where the file dialogs of one purpose start: the folder a file was last chosen in for that
// purpose during this run, while it still exists, else a default looked up when needed.
class RecentFolder final {
public:
    explicit RecentFolder(std::function<QString()> fallback);

    QString start() const;
    // Remembers the folder the chosen file lies in.
    void remember(const QString& chosenFile);

private:
    std::function<QString()> m_fallback;
    QString m_last;
};

// The user's download folder when there is one, else their home.
QString downloadFolder();
