#include "OfferBook.h"

#include "core/protocol/Framing.h"
#include "core/protocol/PeerText.h"
#include "core/protocol/WireCodec.h"

#include <algorithm>

namespace {
// The name as the peer reads it off the wire and repeats it.
QString asReceived(const QString& name)
{
    return PeerText::field(WireCodec::decode(Framing::sanitizeField(name)));
}
} // namespace

void OfferBook::add(const QString& address, Offer offer)
{
    QList<Offer>& offers = m_offers[address];
    if (offers.size() >= MaxPerAddress)
        offers.removeFirst();
    offers.append(std::move(offer));
}

qsizetype OfferBook::count() const
{
    qsizetype total = 0;
    for (const QList<Offer>& offers : m_offers)
        total += offers.size();
    return total;
}

std::optional<OfferBook::Offer> OfferBook::takeAccepted(const QString& address,
                                                        const QString& repeatedName)
{
    const QString name = PeerText::field(repeatedName).left(RepeatedNameLength);
    return take(address, [&name](const Offer& offer) {
        return asReceived(offer.name).left(RepeatedNameLength) == name;
    });
}

std::optional<OfferBook::Offer> OfferBook::takeRefused(const QString& address,
                                                       const QString& repeatedSize)
{
    return take(address, [&repeatedSize](const Offer& offer) {
        return QString::number(offer.size) == repeatedSize;
    });
}

template<typename Repeats>
std::optional<OfferBook::Offer> OfferBook::take(const QString& address, Repeats repeats)
{
    const auto found = m_offers.find(address);
    if (found == m_offers.end())
        return std::nullopt;
    QList<Offer>& offers = *found;
    const auto match = std::find_if(offers.begin(), offers.end(), repeats);
    const Offer offer =
        match != offers.end() ? offers.takeAt(match - offers.begin()) : offers.takeLast();
    if (offers.isEmpty())
        m_offers.erase(found);
    return offer;
}
