#pragma once

#include <QString>

// What a peer sends is text to show, never layout or markup: these rules apply to every field
// as it is cut out, before anything shows or stores it.
namespace PeerText {

// The longest nick kept or shown; a longer one is cut.
inline constexpr qsizetype MaxNickLength = 64;

// Every control character (0-31, 127 and 128-159, which the wire's code page leaves
// undefined) becomes a blank, so no field can start a line of its own in the transcript,
// forge a time stamp or hide text behind a character the screen does not draw.
QString field(QString text);
// A nick as it is kept: a field cut to MaxNickLength.
QString nick(const QString& text);

} // namespace PeerText
