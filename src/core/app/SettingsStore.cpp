#include "SettingsStore.h"

#include <QFile>
#include <QSettings>
#include <QStandardPaths>

#include <memory>

namespace {
std::unique_ptr<QSettings> open(const QString& file)
{
#ifdef Q_OS_WIN
    if (file.startsWith(QLatin1String("HKEY_")))
        return std::make_unique<QSettings>(file, QSettings::NativeFormat);
#endif
    return std::make_unique<QSettings>(file, QSettings::IniFormat);
}

QString keyPath(const QString& section, const QString& key)
{
    return section + QLatin1Char('/') + key;
}
} // namespace

QSettingsStore::QSettingsStore(QString folder)
    : m_folder(std::move(folder))
{
}

QString QSettingsStore::fileOf(const QString& application) const
{
#ifdef Q_OS_WIN
    if (m_folder.isEmpty())
        return QLatin1String("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\") +
               application;
#endif
    const QString folder =
        m_folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                           : m_folder;
    return folder + QLatin1Char('/') + application + QLatin1String(".ini");
}

QString QSettingsStore::read(const QString& application, const QString& section, const QString& key,
                             const QString& defaultValue) const
{
    const QVariant value = open(fileOf(application))->value(keyPath(section, key), defaultValue);
    // A value written by hand with commas and no quotes reads as a list, which has no text.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1String(", "));
    return value.toString();
}

void QSettingsStore::write(const QString& application, const QList<Value>& values)
{
    // Written back, and synced, once: when the settings object goes.
    const auto settings = open(fileOf(application));
    for (const Value& value : values)
        settings->setValue(keyPath(value.section, value.key), value.text);
}

void QSettingsStore::deleteApplication(const QString& application)
{
    const QString file = fileOf(application);
    open(file)->clear();
    if (!file.startsWith(QLatin1String("HKEY_")))
        QFile::remove(file);
}
