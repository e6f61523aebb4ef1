#pragma once

#include <QString>

#include <functional>

// What the receiving side asks its user. The windows implement it; tests and the fuzz
// target answer with fakes. Both calls return at once and answer later, exactly once.
class TransferPrompts {
public:
    virtual ~TransferPrompts() = default;
    // A yes/no question about an offered file; answered(true) for yes.
    virtual void askToAccept(const QString& question, std::function<void(bool)> answered) = 0;
    // Where to save the file: a path, or an empty one when the user gave none. Asks before
    // it replaces an existing file.
    virtual void chooseDestination(const QString& title, const QString& proposedName,
                                   std::function<void(const QString&)> chosen) = 0;
};
