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

// Where a packet may begin: a start marker, then its length up to the length end marker, with
// no other start marker or Tab in between.
struct Start {
    qsizetype marker;
    qsizetype lengthEnd;
};

// Every possible start, in one pass. Text may hold start markers; only one followed by a length
// end marker can begin a packet.
QList<Start> startsIn(QByteArrayView piece)
{
    QList<Start> starts;
    qsizetype marker = -1;
    for (qsizetype i = 0; i < piece.size(); ++i) {
        if (piece[i] == StartMarker) {
            marker = i;
        } else if (piece[i] == WordEnd) {
            marker = -1;
        } else if (piece[i] == LengthEndMarker && marker >= 0) {
            starts.append({marker, i});
            marker = -1;
        }
    }
    return starts;
}

// A packet begins at the start whose length reaches exactly to the end of the piece: that
// skips whatever stands in front of it (the rest of a packet that never ended) and start
// markers inside its own text. Where no length fits, the last start is taken, so a length
// that is merely wrong still cuts as every station has always cut it.
std::optional<CutResult> cutPiece(QByteArrayView piece)
{
    const QList<Start> starts = startsIn(piece);
    const qsizetype lastTab = piece.lastIndexOf(WordEnd);
    std::optional<Start> chosen;
    std::optional<qsizetype> length;
    for (const Start& start : starts) {
        if (start.lengthEnd > lastTab)
            break;
        length = declaredLength(piece.sliced(start.marker + 1, start.lengthEnd - start.marker - 1));
        chosen = start;
        if (length && *length == piece.size() - start.lengthEnd - 1)
            break;
    }
    if (!chosen || !length)
        return std::nullopt;

    const qsizetype lengthEnd = chosen->lengthEnd;
    const qsizetype wordEnd = piece.indexOf(WordEnd, lengthEnd + 1);
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
