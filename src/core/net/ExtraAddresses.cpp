#include "ExtraAddresses.h"

#include <QRegularExpression>

namespace ExtraAddresses {
namespace {

// Four decimal parts without leading zeros, which some systems would read as octal.
bool isUsable(const QString& entry)
{
    static const QRegularExpression dotted(
        QStringLiteral("^(0|[1-9][0-9]{0,2})\\.(0|[1-9][0-9]{0,2})\\.(0|[1-9][0-9]{0,2})\\."
                       "(0|[1-9][0-9]{0,2})$"));
    const QRegularExpressionMatch match = dotted.match(entry);
    if (!match.hasMatch())
        return false;
    for (int part = 1; part <= 4; ++part) {
        if (match.captured(part).toInt() > 255)
            return false;
    }
    const int first = match.captured(1).toInt();
    return first != 0 && first != 127 && first < 224;
}

} // namespace

Parsed parse(const QString& text)
{
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    Parsed parsed;
    for (const QString& entry : text.split(separators, Qt::SkipEmptyParts)) {
        if (!isUsable(entry))
            parsed.invalid.append(entry);
        else if (!parsed.addresses.contains(entry))
            parsed.addresses.append(entry);
    }
    parsed.tooMany = parsed.addresses.size() > Most;
    return parsed;
}

QString join(const QStringList& addresses)
{
    return addresses.join(QLatin1Char(' '));
}

} // namespace ExtraAddresses
