#include "WebLinks.h"

#include <array>

namespace {

// Lower case; "www." is the only one without a scheme of its own.
constexpr std::array<QStringView, 4> Starts = {u"http://", u"https://", u"ftp://", u"www."};

bool startsAddress(QStringView text, qsizetype at)
{
    // Part of a longer word, path or scheme ("file://www.", "xhttp://") is no start.
    if (at > 0) {
        const QChar before = text.at(at - 1);
        if (before.isLetterOrNumber() || QStringView(u"./:@-_\\").contains(before))
            return false;
    }
    const QStringView rest = text.mid(at);
    for (const QStringView start : Starts) {
        if (rest.startsWith(start, Qt::CaseInsensitive))
            return rest.size() > start.size() &&
                   (rest.at(start.size()).isLetterOrNumber() || rest.at(start.size()) == u'[');
    }
    return false;
}

bool endsAddress(QChar c)
{
    return c.isSpace() || c.category() == QChar::Other_Control || c == u'<' || c == u'>' ||
           c == u'"';
}

// Sentence punctuation after an address, and a closing bracket the address did not open.
qsizetype trimmedEnd(QStringView text, qsizetype start, qsizetype end)
{
    while (end > start) {
        const QChar last = text.at(end - 1);
        if (QStringView(u".,;:!?'").contains(last)) {
            --end;
            continue;
        }
        const std::array<std::pair<QChar, QChar>, 3> pairs = {
            {{u'(', u')'}, {u'[', u']'}, {u'{', u'}'}}};
        bool unopened = false;
        for (const auto& [open, close] : pairs) {
            if (last == close) {
                const QStringView inside = text.mid(start, end - start);
                unopened = inside.count(open) < inside.count(close);
            }
        }
        if (!unopened)
            break;
        --end;
    }
    return end;
}

} // namespace

QList<WebLinks::Span> WebLinks::find(QStringView text)
{
    QList<Span> spans;
    for (qsizetype at = 0; at < text.size(); ++at) {
        // A quick look at the first letter spares nearly every position the full test.
        const char16_t first = text.at(at).toLower().unicode();
        if ((first != u'h' && first != u'f' && first != u'w') || !startsAddress(text, at))
            continue;
        qsizetype end = at;
        while (end < text.size() && !endsAddress(text.at(end)))
            ++end;
        end = trimmedEnd(text, at, end);
        if (target(text.mid(at, end - at)).isValid())
            spans.append({at, end - at});
        at = end;
    }
    return spans;
}

QUrl WebLinks::target(QStringView address)
{
    QString written = address.toString();
    if (written.startsWith(Starts.back(), Qt::CaseInsensitive))
        written.prepend(QLatin1String("http://"));
    const QUrl url(written, QUrl::TolerantMode);
    const QString scheme = url.scheme();
    const bool ours = scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
                      scheme == QLatin1String("ftp");
    return ours && url.isValid() && !url.host().isEmpty() ? url : QUrl();
}
