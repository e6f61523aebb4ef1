#include "TextFold.h"

#include <array>
#include <memory>

namespace {

using FoldTable = std::array<char16_t, 0x10000>;

char16_t foldOnce(char16_t unit)
{
    if (QChar::isSurrogate(unit))
        return unit;
    // A canonical decomposition starts with the base letter; the marks after it are what the
    // reader sets aside. Compatibility forms (ligatures, fractions) would change the length.
    char32_t base = unit;
    while (QChar::decompositionTag(base) == QChar::Canonical) {
        const QString parts = QChar::decomposition(base);
        if (parts.isEmpty() || parts.at(0).isSurrogate())
            break;
        base = parts.at(0).unicode();
    }
    const char32_t lower = QChar::toCaseFolded(base);
    return lower <= 0xFFFF ? char16_t(lower) : char16_t(base);
}

const FoldTable& table()
{
    // Built once, in a few milliseconds; a lookup per character is what keeps a search of a
    // million entries within a slice or two.
    static const std::unique_ptr<const FoldTable> folds = [] {
        auto built = std::make_unique<FoldTable>();
        for (std::size_t unit = 0; unit < built->size(); ++unit)
            (*built)[unit] = foldOnce(char16_t(unit));
        return built;
    }();
    return *folds;
}

} // namespace

char16_t TextFold::fold(char16_t unit)
{
    return table()[unit];
}

QString TextFold::folded(QStringView text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (c.category() != QChar::Other_Control && c != QChar::LineSeparator &&
            c != QChar::ParagraphSeparator)
            result.append(QChar(fold(c.unicode())));
    }
    return result;
}

qsizetype TextFold::indexIn(QStringView text, QStringView foldedNeedle, qsizetype from)
{
    const qsizetype needle = foldedNeedle.size();
    if (needle == 0 || from < 0)
        return -1;
    const FoldTable& folds = table();
    const char16_t* hay = text.utf16();
    const char16_t* want = foldedNeedle.utf16();
    const char16_t first = want[0];
    for (qsizetype at = from, last = text.size() - needle; at <= last; ++at) {
        if (folds[hay[at]] != first)
            continue;
        qsizetype matched = 1;
        while (matched < needle && folds[hay[at + matched]] == want[matched])
            ++matched;
        if (matched == needle)
            return at;
    }
    return -1;
}

qsizetype TextFold::countIn(QStringView text, QStringView foldedNeedle)
{
    qsizetype count = 0;
    for (qsizetype at = indexIn(text, foldedNeedle); at >= 0;
         at = indexIn(text, foldedNeedle, at + foldedNeedle.size()))
        ++count;
    return count;
}
