#pragma once

#include <QString>

// The user's list of programs that the system starts when they log on.
class Autostart {
public:
    virtual ~Autostart() = default;
    // Registers the program; false when the entry could not be written.
    virtual bool enable(const QString& program) = 0;
    // Takes the program off the list; true when no entry is left.
    virtual bool disable() = 0;
    virtual bool isEnabled() const = 0;
};

// On Linux an XDG autostart entry "Kestrowind.desktop" in the given folder (by default the
// user's autostart folder); on Windows the value "Kestrowind" under the given registry key (by
// default the user's Run key). "/uninstall" removes it through disable().
class PlatformAutostart final : public Autostart {
public:
    explicit PlatformAutostart(QString location = {});

    bool enable(const QString& program) override;
    bool disable() override;
    bool isEnabled() const override;

    // Where the entry lives: the desktop file, or the registry key.
    QString entryLocation() const;

private:
    QString m_location;
};

// The command the entry runs: the running executable's name in the program's folder, joined to
// it as they are, so a drive root gives two separators in a row.
QString autostartCommand(const QString& programFolder);

// Writes a path as one argument of a desktop entry's Exec line, quoted and escaped as needed.
QString desktopExecArgument(const QString& path);
