#pragma once

#include <QString>

// The per-user tree of application → section → key → text that survives restarts.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual QString read(const QString& application, const QString& section, const QString& key,
                         const QString& defaultValue = {}) const = 0;
    virtual void write(const QString& application, const QString& section, const QString& key,
                       const QString& value) = 0;
    virtual void deleteApplication(const QString& application) = 0;
};

// On Linux one INI file per application in the user's configuration folder (or the folder
// given); on Windows the user's registry hive, where such programs have always kept them.
class QSettingsStore final : public SettingsStore {
public:
    explicit QSettingsStore(QString folder = {});

    QString read(const QString& application, const QString& section, const QString& key,
                 const QString& defaultValue = {}) const override;
    void write(const QString& application, const QString& section, const QString& key,
               const QString& value) override;
    void deleteApplication(const QString& application) override;

    QString fileOf(const QString& application) const;

private:
    QString m_folder;
};
