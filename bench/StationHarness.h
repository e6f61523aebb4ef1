#pragma once

// What the receive benchmarks share: a station program watched from inside (the real main
// window, driven and read by lines on stdin and stdout), and the driver's side of it. A
// benchmark program that uses it answers "station PORT BROADCAST" with runStation().

#include "BenchSupport.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QHash>
#include <QHostAddress>
#include <QProcess>
#include <QStringList>

#include <optional>

namespace StationHarness {

// The station counts the lines of the nicks that begin so.
inline const QString WatchedNick = QStringLiteral("flood");
// A receiver that has taken nothing for this long has taken all it will.
constexpr qint64 IdleMs = 1'000;

// One line on stdout, at once.
void say(const QByteArray& line);
// "key=value key=value" with numbers.
QHash<QByteArray, double> valuesOf(const QByteArray& line);
// The data of one command, framed.
QByteArray datagram(const char* word, const QStringList& fields);
// UDP datagrams the kernel dropped for full receive buffers, in the namespace of the process.
qint64 rcvbufErrorsSeenBy(qint64 processId);

// When the program was started as the station ("station PORT BROADCAST"), runs it to its end.
// Commands on stdin: "refresh" (the user list's refresh), "mark" (reports the heartbeat's
// longest gap since the last mark and starts again), "listed N" (says "LISTED" once N users are
// listed), "sent" (reports, once the watched nicks' lines stop coming, how many were shown and
// whether each nick's came in order), "quit". It says "READY" when its roster first fills.
std::optional<int> runIfStation(int argc, char** argv);

// A receiver process and its line protocol.
class Receiver final {
public:
    Receiver(const Bench::Netns& netns, const QStringList& args)
    {
        netns.startInside(m_process);
        // The station needs no screen.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (!environment.contains(QStringLiteral("QT_QPA_PLATFORM")))
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QCoreApplication::applicationFilePath(), args);
    }
    ~Receiver()
    {
        send("quit");
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished();
    }

    void send(const QByteArray& command) { m_process.write(command + '\n'); }
    // The first line that starts with word, or empty after the time is up.
    QByteArray waitFor(const QByteArray& word, int timeoutMs = 30'000)
    {
        const Bench::Stopwatch waited;
        while (waited.wallMs() < timeoutMs) {
            while (m_process.canReadLine()) {
                const QByteArray line = m_process.readLine().trimmed();
                if (line.startsWith(word))
                    return line;
            }
            if (m_process.state() == QProcess::NotRunning ||
                !m_process.waitForReadyRead(int(timeoutMs - waited.wallMs())))
                break;
        }
        return {};
    }
    // UDP datagrams the kernel dropped for full receive buffers, in the receiver's namespace.
    qint64 rcvbufErrors() const { return rcvbufErrorsSeenBy(m_process.processId()); }
    qint64 processId() const { return m_process.processId(); }

private:
    QProcess m_process;
};

} // namespace StationHarness
