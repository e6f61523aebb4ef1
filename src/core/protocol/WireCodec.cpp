#include "WireCodec.h"

#include <QTextCodec>

namespace {
QTextCodec& codec()
{
    // Owned by Qt for the whole process; looked up once.
    static QTextCodec* const windows1250 = QTextCodec::codecForName("Windows-1250");
    Q_ASSERT(windows1250);
    return *windows1250;
}

// The code page has the quotes, the en and em dash, the ellipsis and the bullet itself; these
// are the near relatives it lacks.
char16_t standIn(char16_t c)
{
    switch (c) {
    case u'\u2010': // hyphen
    case u'\u2011': // non-breaking hyphen
    case u'\u2212': // minus sign
        return u'-';
    case u'\u2012': // figure dash
        return u'\u2013';
    case u'\u2015': // horizontal bar
        return u'\u2014';
    case u'\u2002': // en space
    case u'\u2003': // em space
    case u'\u2004':
    case u'\u2005':
    case u'\u2006':
    case u'\u2007': // figure space
    case u'\u2008': // punctuation space
    case u'\u2009': // thin space
    case u'\u200A': // hair space
    case u'\u202F': // narrow no-break space, the Czech thousands separator
    case u'\u205F': // medium mathematical space
        return u' ';
    case u'\u2032': // prime
        return u'\'';
    case u'\u2033': // double prime
        return u'"';
    case u'\u02BC': // modifier letter apostrophe, which some keyboards type
        return u'\u2019';
    case u'\u2044': // fraction slash
    case u'\u2215': // division slash
        return u'/';
    default:
        return c;
    }
}
} // namespace

namespace WireCodec {

QString withStandIns(QStringView text)
{
    QString result = text.toString();
    for (QChar& c : result)
        c = QChar(standIn(c.unicode()));
    return result;
}

Encoded encodeCounting(QStringView text)
{
    const QString sent = withStandIns(text);
    Encoded encoded{codec().fromUnicode(sent)};
    // The codec writes one "?" for each character it cannot carry (a surrogate pair is one
    // character) and drops invisible format characters; a "?" typed as such stays one.
    encoded.replaced = encoded.bytes.count('?') - sent.count(u'?');
    return encoded;
}

QByteArray encode(QStringView text)
{
    return codec().fromUnicode(withStandIns(text));
}

QString decode(QByteArrayView bytes)
{
    return codec().toUnicode(bytes.data(), static_cast<int>(bytes.size()));
}

} // namespace WireCodec
