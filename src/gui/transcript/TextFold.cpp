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

TextFold::Pattern::Pattern(QStringView query)
{
    m_folded.reserve(query.size());
    for (const QChar c : query) {
        if (c.category() != QChar::Other_Control && c != QChar::LineSeparator &&
            c != QChar::ParagraphSeparator)
            m_folded.append(QChar(fold(c.unicode())));
    }
    m_skip.fill(m_folded.size());
    for (qsizetype i = 0; i + 1 < m_folded.size(); ++i)
        m_skip[m_folded.at(i).unicode() & 0xff] = m_folded.size() - 1 - i;
}

qsizetype TextFold::Pattern::indexIn(QStringView text, qsizetype from) const
{
    const qsizetype length = m_folded.size();
    if (length == 0 || from < 0)
        return -1;
    const FoldTable& folds = table();
    const char16_t* hay = text.utf16();
    const char16_t* want = QStringView(m_folded).utf16();
    const char16_t last = want[length - 1];
    // Looks at the unit under the query's end first, and moves on as far as it allows.
    for (qsizetype at = from, end = text.size() - length; at <= end;) {
        const char16_t under = folds[hay[at + length - 1]];
        if (under == last) {
            qsizetype matched = 0;
            while (matched < length - 1 && folds[hay[at + matched]] == want[matched])
                ++matched;
            if (matched == length - 1)
                return at;
        }
        at += m_skip[under & 0xff];
    }
    return -1;
}

qsizetype TextFold::Pattern::countIn(QStringView text) const
{
    qsizetype count = 0;
    for (qsizetype at = indexIn(text); at >= 0; at = indexIn(text, at + size()))
        ++count;
    return count;
}
