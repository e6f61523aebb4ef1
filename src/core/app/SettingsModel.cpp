#include "SettingsModel.h"

SettingsModel::SettingsModel(SettingsStore& store, Autostart& autostart, QString programFolder,
                             QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_autostart(autostart)
    , m_programFolder(std::move(programFolder))
{
}

void SettingsModel::load()
{
    Options loaded;
    const LoadOutcome outcome = loadSettings(m_store, loaded);
    setOptions(loaded);
    if (outcome == LoadOutcome::FirstRun)
        emit firstRun();
}

void SettingsModel::save()
{
    saveSettings(m_store, m_options, m_programFolder, m_autostart);
}

void SettingsModel::setOptions(const Options& options)
{
    if (options == m_options)
        return;
    m_options = options;
    emit changed(m_options);
}

void SettingsModel::setNick(const QString& nick)
{
    Options renamed = m_options;
    renamed.nick = nick;
    setOptions(renamed);
}
