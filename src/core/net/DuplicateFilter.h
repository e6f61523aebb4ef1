#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QString>

#include <array>

// Recognises a datagram that its source sent moments ago, byte for byte. A station that both the
// limited broadcast and a directed broadcast or its own address reach gets every packet twice;
// the copy must not show twice. Only a digest of each is kept, a few per source and for a
// bounded number of sources, so what peers send cannot make it grow.
class DuplicateFilter final {
public:
    // Copies arrive within milliseconds; a user who repeats a line takes longer than this.
    static constexpr qint64 WindowMs = 1000;
    static constexpr qsizetype RecentPerSource = 16;
    static constexpr qsizetype MostSources = 256;

    DuplicateFilter();

    // False for a datagram that the source sent less than WindowMs before nowMs (a monotonic
    // clock); the copy does not extend that time. True, and remembered, otherwise.
    bool admit(const QString& source, QByteArrayView datagram, qint64 nowMs);
    qsizetype sourceCount() const { return m_sources.size(); }

private:
    struct Seen {
        size_t digest = 0;
        qsizetype size = -1;
        qint64 at = 0;
    };
    struct Recent {
        std::array<Seen, RecentPerSource> seen{};
        qsizetype next = 0;
        qint64 lastAt = 0;
    };
    void makeRoom(qint64 nowMs);

    size_t m_seed;
    QHash<QString, Recent> m_sources;
};
