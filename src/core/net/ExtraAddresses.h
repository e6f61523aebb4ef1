#pragma once

#include <QStringList>

// The addresses beyond the own network that broadcasts go to as well: directed broadcast
// addresses of other subnets, or single hosts, as the user writes them down.
namespace ExtraAddresses {

constexpr qsizetype Most = 64;

struct Parsed {
    QStringList addresses; // valid ones, each once, in the order written
    QStringList invalid; // as written
    bool tooMany = false; // more than Most valid ones

    bool isValid() const { return invalid.isEmpty() && !tooMany; }
};

// Entries are separated by blanks, commas or line breaks. An entry is a dotted IPv4 address of a
// host or network that a datagram can be sent to: not "any", loopback, a group or the limited
// broadcast, which every broadcast reaches anyway.
Parsed parse(const QString& text);
// As stored and shown: one blank between entries.
QString join(const QStringList& addresses);

} // namespace ExtraAddresses
