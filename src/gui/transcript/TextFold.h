#pragma once

#include <QString>
#include <QStringView>

// Text compared as a reader compares it: case and accents set aside ("zluty" finds "žlutý").
// Each UTF-16 unit folds to exactly one, so a match found in folded terms lies at the same
// place and has the same length in the text itself, and nothing needs copying to be searched.
namespace TextFold {
char16_t fold(char16_t unit);
// The query folded once, without the line breaks and control characters no line can match.
QString folded(QStringView text);
// Where foldedNeedle starts in text at or after from, folding text as it goes; -1 if nowhere.
qsizetype indexIn(QStringView text, QStringView foldedNeedle, qsizetype from = 0);
// How many times foldedNeedle occurs in text, without overlaps.
qsizetype countIn(QStringView text, QStringView foldedNeedle);
} // namespace TextFold
