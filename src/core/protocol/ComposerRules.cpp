#include "ComposerRules.h"

#include "Framing.h"
#include "Messages.h"

namespace ComposerRules {
namespace {
const QString ActionPrefix = QStringLiteral("/me ");
} // namespace

Kind kindOf(const QString& line)
{
    if (line == QLatin1String("/about"))
        return Kind::About;
    if (line.left(ActionPrefix.size()).toLower() == ActionPrefix)
        return Kind::Action;
    return Kind::Chat;
}

QByteArray dataFor(const QString& line, const QString& ownAddress, const QString& nick)
{
    if (kindOf(line) == Kind::Action)
        return Outgoing::action(ownAddress, nick, line.mid(ActionPrefix.size()));
    return Outgoing::chatLine(ownAddress, line);
}

int maxLineLength(const QString& ownAddress, const QString& nick)
{
    // Every character travels as one byte, so the empty line's packet is the overhead.
    const qsizetype chat = Outgoing::chatLine(ownAddress, {}).size();
    const qsizetype action = Outgoing::action(ownAddress, nick, {}).size() - ActionPrefix.size();
    return int(qMax<qsizetype>(0, Framing::MaxDataLength - qMax(chat, action)));
}

} // namespace ComposerRules
