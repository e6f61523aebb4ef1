#pragma once

#include <QList>
#include <QString>

// The per-user tree of application → section → key → text that survives restarts.
class SettingsStore {
public:
    struct Value {
        QString section;
        QString key;
        QString text;
    };

    virtual ~SettingsStore() = default;
    virtual QString read(const QString& application, const QString& section, const QString& key,
                         const QString& defaultValue = {}) const = 0;
    // Writes all the values in one go: the store is rewritten once, however many they are.
    virtual void write(const QString& application, const QList<Value>& values) = 0;
    void write(const QString& application, const QString& section, const QString& key,
               const QString& text)
    {
        write(application, {{section, key, text}});
    }
    virtual void deleteApplication(const QString& application) = 0;
};

// On Linux one INI file per application in the user's configuration folder (or the folder
// given); on Windows the user's registry hive, where such programs have always kept them.
class QSettingsStore final : public SettingsStore {
public:
    explicit QSettingsStore(QString folder = {});

    QString read(const QString& application, const QString& section, const QString& key,
                 const QString& defaultValue = {}) const override;
    using SettingsStore::write;
    void write(const QString& application, const QList<Value>& values) override;
    void deleteApplication(const QString& application) override;

    QString fileOf(const QString& application) const;

private:
    QString m_folder;
};
