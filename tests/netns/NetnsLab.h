#pragma once

#include <QString>
#include <QStringList>

// A LAN of network namespaces for the lifetime of one test: built by netns.sh in the
// constructor and removed in the destructor, so a failing test leaves nothing behind.
// Stations are numbered from 1; station i lives in namespace "PREFIX-i".
class NetnsLab final {
public:
    NetnsLab(QString prefix, int stations, QString script = defaultScript());
    ~NetnsLab();
    Q_DISABLE_COPY_MOVE(NetnsLab)

    // False when the lab could not be built (not root, no iproute2, no namespace support);
    // reason() then says why, for QSKIP.
    bool available() const { return m_available; }
    QString reason() const { return m_reason; }

    QString namespaceName(int station) const;
    QString address(int station) const;
    // Runs "ip -n <station's namespace> args..."; false when it fails.
    bool ip(int station, const QStringList& args) const;

    // The script path baked in at build time (KW_NETNS_SCRIPT), or empty.
    static QString defaultScript();
    // Absolute path of iproute2's "ip", or empty when it is not installed.
    static QString ipProgram();

private:
    bool runScript(const QStringList& args, QString* output, QString* error) const;

    QString m_prefix;
    int m_stations = 0;
    QString m_script;
    bool m_available = false;
    bool m_attempted = false;
    QString m_reason;
    QStringList m_addresses;
};
