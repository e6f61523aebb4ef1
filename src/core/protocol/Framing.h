#pragma once

// The wire format, as every station writes and reads it. A datagram carries packets:
//
//   packet = %x00 length %x01 data %xFF
//   length = 1*DIGIT                       ; bytes of data, at most 32767
//   data   = word %x09 [field *(%x0B field)] %x0D %x0A
//
// All text is Windows-1250, one byte a character. The word ends at the first Tab; the
// length counts the whole data, word, Tab and CR LF included. A receiver splits what it
// has at %xFF into pieces and cuts a packet out of each piece that ends with CR LF.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>

namespace Framing {

// The length field is read as a signed 16-bit number by every station.
inline constexpr qsizetype MaxDataLength = 32767;
// Text that waits for the rest of its packet; past this the oldest bytes go.
inline constexpr qsizetype MaxPendingBytes = qsizetype{64} * 1024;

inline constexpr char StartMarker = '\x00';
inline constexpr char LengthEndMarker = '\x01';
inline constexpr char EndMarker = '\xFF';
inline constexpr char WordEnd = '\t';
inline constexpr char FieldSeparator = '\x0B';
inline constexpr QByteArrayView DataEnd = "\r\n";

struct CutResult {
    enum class Status {
        Packet, // word and argument hold a packet
        Incomplete, // the rest has not arrived yet; nothing consumed
        Dropped, // a piece that can never become a packet; consumed
    };
    Status status = Status::Incomplete;
    QByteArray word;
    QByteArray argument; // the fields with their separators, without CR LF
    qsizetype consumed = 0;
};

// Cuts the first piece off the front of a receive buffer.
CutResult cutNext(QByteArrayView buffer);

// The data of a command: word, Tab, the fields joined by the separator, CR LF. Every field
// is made safe for the frame first (see sanitizeField).
QByteArray commandData(QByteArrayView word, const QStringList& fields);

// Encodes a field and replaces every byte that would break the frame at the receivers
// (separator, markers, CR, LF, the end byte) with a blank.
QByteArray sanitizeField(const QString& field);

// The datagram for one packet, or nothing when the data is too long for the length field.
std::optional<QByteArray> framePacket(QByteArrayView data);

} // namespace Framing
