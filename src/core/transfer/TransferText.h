#pragma once

#include <QLocale>
#include <QString>

// The texts a file offer and its progress window show, built from sizes and names.
namespace TransferText {

// Bytes as megabytes with at most two decimals and no dangling separator: "0 MB",
// "0,5 MB", "1 MB", "1,25 MB" in a Czech locale.
QString megabytes(qint64 bytes, const QLocale& locale = QLocale());
// A ratio of 0 to 1 as a whole percentage: "0 %", "57 %", "100 %".
QString percent(double ratio, const QLocale& locale = QLocale());
// Part of a file against its size, both in megabytes: "7,9 MB z 381 MB".
QString amountOf(qint64 done, qint64 total, const QLocale& locale = QLocale());

// The part of a path after its last ":", "\" or "/"; the whole path when it has none.
QString fileNameFromPath(const QString& path);
// The name a received file is first offered to be saved under: only a bare name, never a
// folder, a drive or a hidden file; "soubor" when nothing usable is left.
QString proposedSaveName(const QString& offeredName);

// The question shown when a user offers a file.
QString offerQuestion(const QString& nick, const QString& fileName, qint64 size);

} // namespace TransferText
