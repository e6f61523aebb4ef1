#pragma once

#include <QString>
#include <QStringView>

#include <array>

// Text compared as a reader compares it: case and accents set aside ("zluty" finds "žlutý").
// Each UTF-16 unit folds to exactly one, so a match found in folded terms lies at the same
// place and has the same length in the text itself, and nothing needs copying to be searched.
namespace TextFold {
char16_t fold(char16_t unit);

// A query folded once, and a table of how far it lets a search skip ahead, so that a long
// query reads only a fraction of the text it goes through.
class Pattern {
public:
    Pattern() = default;
    // Line breaks and control characters go: no line can match them.
    explicit Pattern(QStringView query);

    bool isEmpty() const { return m_folded.isEmpty(); }
    qsizetype size() const { return m_folded.size(); }
    // Where the query starts in text at or after from; -1 if nowhere.
    qsizetype indexIn(QStringView text, qsizetype from = 0) const;
    // How many times the query occurs in text, without overlaps.
    qsizetype countIn(QStringView text) const;

private:
    QString m_folded;
    // By the low byte of a folded unit: how far the query's end may move past it. Units that
    // share a byte share the smallest distance, which only ever skips less.
    std::array<qsizetype, 256> m_skip{};
};
} // namespace TextFold
