#pragma once

#include <QByteArray>
#include <QString>

// What a line typed into the composer becomes.
namespace ComposerRules {

enum class Kind {
    About, // "/about", exactly: shown locally, nothing is sent
    Action, // begins with "/me " in any case: sent as an action with the rest of the line
    Chat, // everything else, the empty line included
};

Kind kindOf(const QString& line);

// The command data for an Action or Chat line.
QByteArray dataFor(const QString& line, const QString& ownAddress, const QString& nick);

// The longest line whose packet still fits, whichever kind it turns out to be.
int maxLineLength(const QString& ownAddress, const QString& nick);

} // namespace ComposerRules
