#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// The files this station has offered and not yet seen answered, by the address each offer
// went to. Only an answer from that address can claim one, so nobody else can fetch a file.
class OfferBook final {
public:
    struct Offer {
        QString path;
        qint64 size = 0;
        QString name; // as it went out in the offer
        quint64 ticket = 0; // of the queue that sent it; 0 when it was offered alone
    };

    // Offers to one user that wait at once; an older one beyond this is forgotten.
    static constexpr qsizetype MaxPerAddress = 8;
    // An acceptance repeats at most this much of the offered name: enough to tell offers
    // apart, and an answer never grows with what the offering peer sent.
    static constexpr qsizetype RepeatedNameLength = 120;

    void add(const QString& address, Offer offer);
    qsizetype count() const;

    // The offer an answer from address is about: the one whose name (acceptance) or size
    // (refusal) it repeats, else the newest one to that address; nothing when none waits.
    std::optional<Offer> takeAccepted(const QString& address, const QString& repeatedName);
    std::optional<Offer> takeRefused(const QString& address, const QString& repeatedSize);

private:
    template<typename Repeats> std::optional<Offer> take(const QString& address, Repeats repeats);

    QHash<QString, QList<Offer>> m_offers;
};
