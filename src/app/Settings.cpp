#include "Settings.h"

#include "Platform.h"
#include "SettingsStore.h"
#include "Version.h"

#include <array>
#include <utility>

namespace {
const QString App = QString::fromLatin1(Version::SettingsApplication);
const QString OptionsSection = QStringLiteral("options");

// The check boxes in the order they are read and written.
std::array<std::pair<const char*, bool Options::*>, 6> checkBoxes()
{
    return {{{"afterstart", &Options::afterstart},
             {"totray", &Options::totray},
             {"tooltip", &Options::tooltip},
             {"playsound", &Options::playsound},
             {"maxokno", &Options::maxokno},
             {"playwhenmin", &Options::playwhenmin}}};
}

// A stored check state is "0" or "1"; anything else leaves the box as it was.
void readCheck(const QString& stored, bool& box)
{
    bool ok = false;
    const int state = stored.trimmed().toInt(&ok);
    if (ok && (state == 0 || state == 1))
        box = state == 1;
}
} // namespace

LoadOutcome LoadSettings(SettingsStore& store, Options& options)
{
    options.nick = store.read(App, OptionsSection, QStringLiteral("nick"));
    if (store.read(App, OptionsSection, QStringLiteral("first")).isEmpty()) {
        options.nick = Platform::GetWindowsUserName();
        store.write(App, OptionsSection, QStringLiteral("first"), QStringLiteral("true"));
        return LoadOutcome::FirstRun;
    }
    for (const auto& [key, box] : checkBoxes())
        readCheck(store.read(App, OptionsSection, QString::fromLatin1(key)), options.*box);
    return LoadOutcome::Loaded;
}

void SaveSettings(SettingsStore& store, const Options& options, const QString& programFolder)
{
    const QString uss3 = QStringLiteral("uss3");
    store.write(App, uss3, QStringLiteral("path"), programFolder);
    store.write(App, uss3, QStringLiteral("major"), QString::number(Version::Major));
    store.write(App, uss3, QStringLiteral("minor"), QString::number(Version::Minor));
    store.write(App, uss3, QStringLiteral("build"), QString::number(Version::Build));
    for (const auto& [key, box] : checkBoxes())
        store.write(App, OptionsSection, QString::fromLatin1(key),
                    QString::number(options.*box ? 1 : 0));
    store.write(App, OptionsSection, QStringLiteral("nick"), options.nick);
}
