#include "Settings.h"

#include "Autostart.h"
#include "Platform.h"
#include "SettingsStore.h"
#include "Version.h"
#include "core/net/ExtraAddresses.h"

#include <QDir>

#include <algorithm>
#include <array>
#include <utility>

namespace {
const QString App = QString::fromLatin1(Version::SettingsApplication);
const QString OptionsSection = QStringLiteral("options");
const QString FirstKey = QStringLiteral("first");
const QString NickKey = QStringLiteral("nick");
const QString ExtraAddressesKey = QStringLiteral("extraips");
const QString InterfaceKey = QStringLiteral("interface");

// The check boxes in the order they are read and written.
std::array<std::pair<const char*, bool Options::*>, 7> checkBoxes()
{
    return {{{"afterstart", &Options::startWithSystem},
             {"totray", &Options::startMinimised},
             {"tooltip", &Options::balloonWhenMinimised},
             {"playsound", &Options::playSound},
             {"maxokno", &Options::restoreOnActivity},
             {"playwhenmin", &Options::playSoundWhenMinimised},
             {"savehistory", &Options::saveHistory}}};
}

// A check state is the integer 0 or 1 written in digits; anything else is not one.
void readCheck(const QString& stored, bool& box)
{
    if (stored.isEmpty() ||
        !std::all_of(stored.cbegin(), stored.cend(), [](QChar c) { return c.isDigit(); }))
        return;
    bool ok = false;
    const int state = stored.toInt(&ok);
    if (ok && (state == 0 || state == 1))
        box = state == 1;
}
} // namespace

LoadOutcome loadSettings(SettingsStore& store, Options& options)
{
    options.nick = store.read(App, OptionsSection, NickKey);
    if (store.read(App, OptionsSection, FirstKey).isEmpty()) {
        options.nick = Platform::loginName();
        store.write(App, OptionsSection, FirstKey, QStringLiteral("true"));
        return LoadOutcome::FirstRun;
    }
    for (const auto& [key, box] : checkBoxes())
        readCheck(store.read(App, OptionsSection, QString::fromLatin1(key)), options.*box);
    // The dialog stores only lists it accepts; from a file edited by hand, what is usable.
    options.extraAddresses =
        ExtraAddresses::parse(store.read(App, OptionsSection, ExtraAddressesKey))
            .addresses.mid(0, ExtraAddresses::Most);
    options.networkInterface = store.read(App, OptionsSection, InterfaceKey).trimmed();
    return LoadOutcome::Loaded;
}

void saveSettings(SettingsStore& store, const Options& options, const QString& programFolder,
                  Autostart& autostart)
{
    const QString uss3 = QStringLiteral("uss3");
    // The update client reads the folder as the platform writes paths.
    QList<SettingsStore::Value> values{
        {uss3, QStringLiteral("path"), QDir::toNativeSeparators(programFolder)},
        {uss3, QStringLiteral("major"), QString::number(Version::Major)},
        {uss3, QStringLiteral("minor"), QString::number(Version::Minor)},
        {uss3, QStringLiteral("build"), QString::number(Version::Build)}};
    for (const auto& [key, box] : checkBoxes())
        values.append(
            {OptionsSection, QString::fromLatin1(key), QString::number(options.*box ? 1 : 0)});
    values.append({OptionsSection, NickKey, options.nick});
    values.append(
        {OptionsSection, ExtraAddressesKey, ExtraAddresses::join(options.extraAddresses)});
    values.append({OptionsSection, InterfaceKey, options.networkInterface});
    store.write(App, values);
    if (options.startWithSystem)
        autostart.enable(autostartCommand(programFolder));
    else
        autostart.disable();
}
