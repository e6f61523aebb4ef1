#include "StationHarness.h"

#include "core/app/Autostart.h"
#include "core/app/ChatClient.h"
#include "core/app/SettingsStore.h"
#include "core/protocol/Framing.h"
#include "core/protocol/Roster.h"
#include "gui/transcript/TranscriptView.h"
#include "gui/tray/SoundPlayer.h"
#include "gui/tray/TrayIcon.h"
#include "gui/window/MainMenus.h"
#include "gui/window/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace StationHarness {

void say(const QByteArray& line)
{
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QHash<QByteArray, double> valuesOf(const QByteArray& line)
{
    QHash<QByteArray, double> values;
    for (const QByteArray& pair : line.split(' ')) {
        const qsizetype equals = pair.indexOf('=');
        if (equals > 0)
            values.insert(pair.left(equals), pair.mid(equals + 1).toDouble());
    }
    return values;
}

QByteArray datagram(const char* word, const QStringList& fields)
{
    return *Framing::framePacket(Framing::commandData(word, fields));
}

qint64 rcvbufErrorsSeenBy(qint64 processId)
{
    QFile snmp(QStringLiteral("/proc/%1/net/snmp").arg(processId));
    if (!snmp.open(QIODevice::ReadOnly))
        return 0;
    QList<QByteArray> names;
    while (!snmp.atEnd()) {
        const QList<QByteArray> fields = snmp.readLine().simplified().split(' ');
        if (fields.value(0) != "Udp:")
            continue;
        if (names.isEmpty())
            names = fields;
        else
            return fields.value(names.indexOf("RcvbufErrors")).toLongLong();
    }
    return 0;
}

namespace {

// Commands on stdin: "refresh" (the user list's refresh), "mark" (reports the heartbeat's
// longest gap since the last mark and starts again), "sent" (reports once nothing new has
// come for a while), "quit".
class StationWatch final : public QObject {
public:
    explicit StationWatch(MainWindow& window)
        : m_window(window)
        , m_commands(STDIN_FILENO, QSocketNotifier::Read)
    {
        // Between two beats the thread was either busy or not running at all; the processor
        // time it used tells the two apart on a machine that others share.
        m_heartbeat.setTimerType(Qt::PreciseTimer);
        connect(&m_heartbeat, &QTimer::timeout, this, [this] {
            m_maxGapMs = qMax(m_maxGapMs, m_beat.wallMs());
            m_maxBusyMs = qMax(m_maxBusyMs, m_beat.cpuMs());
            m_beat.restart();
        });
        m_heartbeat.start(10);
        m_activity.start();

        Roster& roster = window.client().station().roster();
        connect(&roster, &Roster::rowsInserted, this, [this, &roster] {
            m_activity.start();
            if (!m_ready) {
                m_ready = true;
                say("READY");
            }
            if (m_awaited > 0 && roster.count() >= m_awaited) {
                m_awaited = 0;
                say("LISTED");
            }
        });
        connect(window.transcript(), &TranscriptView::changed, this, [this] { scanTranscript(); });
        connect(&m_commands, &QSocketNotifier::activated, this, [this] { readCommands(); });
        connect(&m_idleCheck, &QTimer::timeout, this, [this] {
            if (m_activity.elapsed() >= IdleMs)
                report();
        });
    }

private:
    void scanTranscript()
    {
        const TranscriptEntries& entries = m_window.transcript()->entries();
        // By serial, which stays with an entry while the oldest leave the bounded store.
        const qsizetype dropped = entries.droppedCount(), end = dropped + entries.entryCount();
        for (m_nextSerial = qMax(m_nextSerial, dropped); m_nextSerial < end; ++m_nextSerial) {
            const TranscriptEntry entry = entries.entryAt(m_nextSerial - dropped);
            if (!entry.nick.startsWith(QLatin1Char('<') + WatchedNick))
                continue;
            // Stations take turns; each one's own lines keep their order.
            const int sequence = entry.message.left(6).toInt();
            m_ordered = m_ordered && sequence > m_lastSequence.value(entry.nick, -1);
            m_lastSequence.insert(entry.nick, sequence);
            ++m_handled;
            m_activity.start();
        }
    }

    void readCommands()
    {
        char chunk[256];
        const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (got <= 0) {
            QCoreApplication::quit();
            return;
        }
        m_pending.append(chunk, got);
        for (qsizetype end; (end = m_pending.indexOf('\n')) >= 0; m_pending.remove(0, end + 1)) {
            const QByteArray command = m_pending.left(end);
            if (command == "refresh") {
                m_window.menus().tools().refreshUsers->trigger();
                say("REFRESHED");
            } else if (command == "mark") {
                say("MARKED " + gaps());
                m_maxGapMs = m_maxBusyMs = 0;
            } else if (command.startsWith("listed ")) {
                m_awaited = command.mid(7).toInt();
                if (m_window.client().station().roster().count() >= m_awaited) {
                    m_awaited = 0;
                    say("LISTED");
                }
            } else if (command == "sent") {
                m_idleCheck.start(50);
            } else if (command == "quit") {
                QCoreApplication::quit();
            }
        }
    }

    QByteArray gaps() const
    {
        return QStringLiteral("gap=%1 busy=%2")
            .arg(m_maxGapMs, 0, 'f', 1)
            .arg(m_maxBusyMs, 0, 'f', 1)
            .toUtf8();
    }

    void report()
    {
        m_idleCheck.stop();
        say(QStringLiteral("REPORT handled=%1 ordered=%2 roster=%3 ")
                .arg(m_handled)
                .arg(m_ordered ? 1 : 0)
                .arg(m_window.client().station().roster().count())
                .toUtf8() +
            gaps());
    }

    MainWindow& m_window;
    QSocketNotifier m_commands;
    QByteArray m_pending;
    QTimer m_heartbeat;
    Bench::Stopwatch m_beat;
    QElapsedTimer m_activity;
    QTimer m_idleCheck;
    double m_maxGapMs = 0;
    double m_maxBusyMs = 0;
    qsizetype m_nextSerial = 0;
    int m_handled = 0;
    QHash<QString, int> m_lastSequence; // per nick
    int m_awaited = 0; // entries that "listed" waits for
    bool m_ordered = true;
    bool m_ready = false;
};

int runStation(QApplication& app, quint16 port, const QHostAddress& broadcast)
{
    QTemporaryDir config;
    QSettingsStore store(config.path());
    const QString application = QStringLiteral("kestrowind2");
    const QString options = QStringLiteral("options");
    store.write(application, options, QStringLiteral("first"), QStringLiteral("true"));
    store.write(application, options, QStringLiteral("nick"), QStringLiteral("bench"));
    PlatformAutostart autostart(config.filePath(QStringLiteral("autostart")));
    WaveFilePlayer sound;
    TrayIcon tray;
    ChatClient client({store, autostart, UdpEndpoints{port, broadcast}});
    MainWindow window(client, {sound, tray});
    StationWatch watch(window);
    if (!window.start({}))
        return 1;
    window.show();
    return app.exec();
}

} // namespace

std::optional<int> runIfStation(int argc, char** argv)
{
    if (argc <= 3 || QByteArray(argv[1]) != "station")
        return std::nullopt;
    QApplication app(argc, argv);
    return runStation(app, quint16(QByteArray(argv[2]).toUInt()),
                      QHostAddress(QString::fromLatin1(argv[3])));
}

} // namespace StationHarness
