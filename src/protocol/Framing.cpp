#include "Framing.h"

#include "WireCodec.h"

#include <algorithm>

namespace Framing {
namespace {

using Status = CutResult::Status;

// Leading blanks are skipped and reading stops at the first non-digit, as every station
// has always read it; no digits read as 0.
std::optional<qsizetype> declaredLength(QByteArrayView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    qsizetype value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > MaxDataLength)
            return std::nullopt;
    }
    return value;
}

// A packet starts at the last start marker before its own length end marker. Data never
// holds a start marker, so that is the last one in the piece: whatever stands in front of
// it, such as the rest of an incomplete piece, is left out.
std::optional<CutResult> cutPiece(QByteArrayView piece)
{
    const qsizetype start = piece.lastIndexOf(StartMarker);
    if (start < 0)
        return std::nullopt;
    const qsizetype lengthEnd = piece.indexOf(LengthEndMarker, start + 1);
    if (lengthEnd < 0)
        return std::nullopt;
    const QByteArrayView lengthText = piece.sliced(start + 1, lengthEnd - start - 1);
    if (lengthText.contains(WordEnd))
        return std::nullopt;
    const qsizetype wordEnd = piece.indexOf(WordEnd, lengthEnd + 1);
    if (wordEnd < 0)
        return std::nullopt;
    const auto length = declaredLength(lengthText);
    if (!length)
        return std::nullopt;

    const QByteArrayView word = piece.sliced(lengthEnd + 1, wordEnd - lengthEnd - 1);
    const qsizetype argumentLength = *length - word.size() - 3;
    if (argumentLength < 0)
        return std::nullopt;
    // A length that claims more than the piece holds takes the piece to its end.
    const QByteArrayView rest = piece.sliced(wordEnd + 1);
    CutResult result;
    result.status = Status::Packet;
    result.word = word.toByteArray();
    result.argument = rest.first(std::min(argumentLength, rest.size())).toByteArray();
    return result;
}

} // namespace

CutResult cutNext(QByteArrayView buffer)
{
    const qsizetype end = buffer.indexOf(EndMarker);
    const bool terminated = end >= 0;
    const QByteArrayView piece = terminated ? buffer.first(end) : buffer;
    const qsizetype consumed = terminated ? end + 1 : buffer.size();

    if (!piece.endsWith(DataEnd)) {
        // Nothing can be added to a piece that already has its end marker.
        if (terminated)
            return {Status::Dropped, {}, {}, consumed};
        return {};
    }
    auto cut = cutPiece(piece);
    if (!cut)
        return {Status::Dropped, {}, {}, consumed};
    cut->consumed = consumed;
    return *cut;
}

QByteArray sanitizeField(const QString& field)
{
    QByteArray bytes = WireCodec::encode(field);
    for (char& byte : bytes) {
        switch (byte) {
        case StartMarker:
        case LengthEndMarker:
        case FieldSeparator:
        case EndMarker:
        case '\r':
        case '\n':
            byte = ' ';
            break;
        default:
            break;
        }
    }
    return bytes;
}

QByteArray commandData(QByteArrayView word, const QStringList& fields)
{
    QByteArray data = word.toByteArray();
    data += WordEnd;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            data += FieldSeparator;
        data += sanitizeField(fields[i]);
    }
    data += DataEnd;
    return data;
}

std::optional<QByteArray> framePacket(QByteArrayView data)
{
    if (data.size() > MaxDataLength)
        return std::nullopt;
    QByteArray datagram;
    datagram.reserve(data.size() + 8);
    datagram += StartMarker;
    datagram += QByteArray::number(data.size());
    datagram += LengthEndMarker;
    datagram += data;
    datagram += EndMarker;
    return datagram;
}

} // namespace Framing
