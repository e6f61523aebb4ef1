#include "NetnsLab.h"

#include <QDebug>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <unistd.h>

namespace {

// Building a lab takes well under a second; this only guards against a hung "ip".
constexpr int kScriptTimeoutMs = 30000;

} // namespace

NetnsLab::NetnsLab(QString prefix, int stations, QString script)
    // KW_NETNS_SALT keeps the labs of test runs in two checkouts at once apart.
    : m_prefix(std::move(prefix) + qEnvironmentVariable("KW_NETNS_SALT"))
    , m_stations(stations)
    , m_script(std::move(script))
{
    if (geteuid() != 0) {
        m_reason = QStringLiteral("network namespaces need root");
        return;
    }
    if (ipProgram().isEmpty()) {
        m_reason = QStringLiteral("'ip' from iproute2 is not installed");
        return;
    }
    if (m_script.isEmpty() || !QFileInfo(m_script).isFile()) {
        m_reason = QStringLiteral("lab script not found: '%1'").arg(m_script);
        return;
    }

    m_attempted = true;
    QString error;
    if (!runScript({QStringLiteral("up"), m_prefix, QString::number(m_stations)}, nullptr,
                   &error)) {
        m_reason = QStringLiteral("could not build lab %1: %2").arg(m_prefix, error);
        return;
    }
    // The script owns the address plan; asking it keeps the two from drifting apart.
    for (int i = 1; i <= m_stations; ++i) {
        QString address;
        if (!runScript({QStringLiteral("addr"), m_prefix, QString::number(i)}, &address, &error)) {
            m_reason = QStringLiteral("could not get address of station %1: %2").arg(i).arg(error);
            return;
        }
        m_addresses << address.trimmed();
    }
    m_available = true;
}

NetnsLab::~NetnsLab()
{
    if (!m_attempted)
        return;
    QString error;
    if (!runScript({QStringLiteral("down"), m_prefix}, nullptr, &error))
        qWarning().noquote() << "could not remove lab" << m_prefix << ":" << error;
}

QString NetnsLab::namespaceName(int station) const
{
    return QStringLiteral("%1-%2").arg(m_prefix).arg(station);
}

QString NetnsLab::address(int station) const
{
    return m_addresses.value(station - 1);
}

bool NetnsLab::ip(int station, const QStringList& args) const
{
    QProcess process;
    process.start(ipProgram(), QStringList{QStringLiteral("-n"), namespaceName(station)} + args);
    return process.waitForFinished(kScriptTimeoutMs) &&
           process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QString NetnsLab::defaultScript()
{
#ifdef KW_NETNS_SCRIPT
    return QStringLiteral(KW_NETNS_SCRIPT);
#else
    return {};
#endif
}

QString NetnsLab::ipProgram()
{
    // sbin is often missing from PATH under test runners, even for root.
    QString found = QStandardPaths::findExecutable(QStringLiteral("ip"));
    if (found.isEmpty()) {
        found = QStandardPaths::findExecutable(
            QStringLiteral("ip"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"),
                                   QStringLiteral("/usr/bin"), QStringLiteral("/bin")});
    }
    return found;
}

bool NetnsLab::runScript(const QStringList& args, QString* output, QString* error) const
{
    QProcess process;
    // Run through bash so a checkout that lost the executable bit still works.
    process.start(QStringLiteral("bash"), QStringList{m_script} + args);
    if (!process.waitForStarted(kScriptTimeoutMs)) {
        *error = process.errorString();
        return false;
    }
    if (!process.waitForFinished(kScriptTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        *error = QStringLiteral("netns.sh %1 timed out").arg(args.join(QLatin1Char(' ')));
        return false;
    }
    if (output)
        *output = QString::fromUtf8(process.readAllStandardOutput());
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        *error = QString::fromUtf8(process.readAllStandardError()).trimmed();
        if (error->isEmpty())
            *error = QStringLiteral("netns.sh exited with %1").arg(process.exitCode());
        return false;
    }
    return true;
}
