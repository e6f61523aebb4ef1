#include "PeerText.h"

namespace PeerText {

QString field(QString text)
{
    for (QChar& c : text) {
        if (c.unicode() < 32 || (c.unicode() >= 127 && c.unicode() < 160))
            c = QLatin1Char(' ');
    }
    return text;
}

QString nick(const QString& text)
{
    return field(text.left(MaxNickLength));
}

} // namespace PeerText
