#pragma once

#include <QString>

class SettingsStore;

// What the composer's "/about" shows of the program and of the user.
struct AboutFacts {
    QString updateServiceVersion; // empty: the update client is not installed
    QString ownAddress;
    QString loginName;
    QString nick; // as stored in the options, not the nick in use
    QString machineName;
};

namespace AboutText {
// One entry whose lines are separated by CR; it begins with one so that the time stamp
// stands on a line of its own.
QString block(const AboutFacts& facts);
// The version the update client wrote into its own settings, if any.
QString updateServiceVersion(const SettingsStore& store);
} // namespace AboutText
