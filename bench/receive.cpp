// A station under a flood, against a plain UDP receiver in the same place and the same run:
// three bursts of 10,000 chat lines sent back to back as fast as one sender can, and 2,000
// stations answering one refresh. Also how long the station's GUI thread is held up meanwhile,
// by a heartbeat timer inside it.
//
//   bench_receive drive [--sender-netns NS --receiver-netns NS --to ADDRESS] [--rounds N]
//
// Without namespaces everything runs on loopback. The driver starts the receivers itself
// ("station" and "plain" are this program again) and reads what they report on stdout.
#include "BenchSupport.h"
#include "app/Autostart.h"
#include "app/SettingsStore.h"
#include "protocol/Framing.h"
#include "protocol/Roster.h"
#include "tray/SoundPlayer.h"
#include "tray/TrayCode.h"
#include "ui/MainMenus.h"
#include "ui/TranscriptView.h"
#include "ui/frmchat.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>

#include <arpa/inet.h>
#include <cstdio>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int BurstSize = 10'000;
constexpr int Bursts = 3;
constexpr int Answers = 2'000;
// A receiver that has taken nothing for this long has taken all it will.
constexpr qint64 IdleMs = 1'000;
// The receive buffer the station asks for, given to the plain receiver too.
constexpr int ReceiveBufferBytes = 4 * 1024 * 1024;
const QString FloodAddress = QStringLiteral("10.99.0.1");
const QString FloodNick = QStringLiteral("flood");

void say(const QByteArray& line)
{
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// ---- the station: the real main window, watched from inside -------------------------------

class StationWatch final : public QObject {
public:
    explicit StationWatch(frmchat& window)
        : m_window(window)
        , m_commands(STDIN_FILENO, QSocketNotifier::Read)
    {
        m_heartbeat.setTimerType(Qt::PreciseTimer);
        m_heartbeat.setInterval(10);
        // Between two beats the thread was either busy or not running at all; the processor
        // time it used tells the two apart on a machine that others share.
        connect(&m_heartbeat, &QTimer::timeout, this, [this] {
            m_maxGapMs = qMax(m_maxGapMs, m_beat.wallMs());
            m_maxBusyMs = qMax(m_maxBusyMs, m_beat.cpuMs());
            m_beat.restart();
        });
        m_heartbeat.start();
        m_activity.start();

        Roster& roster = window.station().roster();
        connect(&roster, &Roster::rowsInserted, this, [this, &roster](auto, int first, int) {
            m_activity.start();
            if (!m_ready) {
                m_ready = true;
                m_maxGapMs = m_maxBusyMs = 0;
                say("READY");
            }
            if (roster.at(first).key == Roster::keyFor(FloodAddress))
                say("JOINED");
        });
        connect(window.chat(), &TranscriptView::chat_Change, this, [this] { scanTranscript(); });
        connect(&m_commands, &QSocketNotifier::activated, this, [this] { readCommands(); });
        connect(&m_idleCheck, &QTimer::timeout, this, [this] {
            if (m_activity.elapsed() >= IdleMs)
                report();
        });
    }

private:
    void scanTranscript()
    {
        const TranscriptEntries& entries = m_window.chat()->entries();
        for (; m_scanned < entries.entryCount(); ++m_scanned) {
            const TranscriptEntry entry = entries.entryAt(m_scanned);
            if (entry.nick != QLatin1Char('<') + FloodNick + QLatin1Char('>'))
                continue;
            if (m_handled == 0) {
                // From here on the heartbeat measures the flood.
                m_idleGapMs = m_maxGapMs;
                m_maxGapMs = m_maxBusyMs = 0;
            }
            const int sequence = entry.message.left(6).toInt();
            m_ordered = m_ordered && sequence > m_lastSequence;
            m_lastSequence = sequence;
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
                m_window.menus().mnuRefresh->trigger();
                say("REFRESHED");
            } else if (command == "sent") {
                m_idleCheck.start(50);
            } else if (command == "quit") {
                QCoreApplication::quit();
            }
        }
    }

    void report()
    {
        m_idleCheck.stop();
        say(QStringLiteral("REPORT handled=%1 ordered=%2 roster=%3 gap=%4 busy=%5 idlegap=%6")
                .arg(m_handled)
                .arg(m_ordered ? 1 : 0)
                .arg(m_window.station().roster().count())
                .arg(m_maxGapMs, 0, 'f', 1)
                .arg(m_maxBusyMs, 0, 'f', 1)
                .arg(m_idleGapMs, 0, 'f', 1)
                .toUtf8());
    }

    frmchat& m_window;
    QSocketNotifier m_commands;
    QByteArray m_pending;
    QTimer m_heartbeat;
    Bench::Stopwatch m_beat;
    QElapsedTimer m_activity;
    QTimer m_idleCheck;
    double m_maxGapMs = 0;
    double m_maxBusyMs = 0;
    double m_idleGapMs = 0;
    qsizetype m_scanned = 0;
    int m_handled = 0;
    int m_lastSequence = -1;
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
    TrayCode tray;
    frmchat window({store, autostart, sound, tray, UdpEndpoints{port, broadcast}});
    StationWatch watch(window);
    if (!window.Form_Load({}))
        return 1;
    window.show();
    return app.exec();
}

// ---- the plain receiver: a socket and a loop --------------------------------------------

int runPlain(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &ReceiveBufferBytes, sizeof ReceiveBufferBytes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return 1;
    say("READY");
    std::vector<char> buffer(65536);
    qint64 count = 0;
    bool sent = false, reported = false;
    QElapsedTimer activity;
    activity.start();
    QByteArray pending;
    for (;;) {
        pollfd ready[2] = {{fd, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        ::poll(ready, 2, 50);
        if (ready[0].revents & POLLIN) {
            while (::recv(fd, buffer.data(), buffer.size(), MSG_DONTWAIT) >= 0)
                ++count;
            activity.start();
        }
        if (ready[1].revents & (POLLIN | POLLHUP)) {
            char chunk[256];
            const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
            if (got <= 0)
                return 0;
            pending.append(chunk, got);
            sent = sent || pending.contains("sent\n");
            if (pending.contains("quit\n"))
                return 0;
        }
        if (sent && !reported && activity.elapsed() >= IdleMs) {
            say("REPORT handled=" + QByteArray::number(count));
            reported = true;
        }
    }
}

// ---- the driver -----------------------------------------------------------------------------

struct Report {
    int handled = 0;
    bool ordered = true;
    int roster = 0;
    double gapMs = 0;
    double busyMs = 0; // the most processor time the GUI thread spent between two beats
    double idleGapMs = 0;
    qint64 kernelDrops = 0; // RcvbufErrors of the receiver's namespace meanwhile
};

// A receiver process and its line protocol.
class Receiver {
public:
    Receiver(const Bench::Netns& netns, const QStringList& args)
    {
        netns.startInside(m_process);
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
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < timeoutMs) {
            while (m_process.canReadLine()) {
                const QByteArray line = m_process.readLine().trimmed();
                if (line.startsWith(word))
                    return line;
            }
            if (m_process.state() == QProcess::NotRunning ||
                !m_process.waitForReadyRead(int(timeoutMs - waited.elapsed())))
                break;
        }
        return {};
    }
    // UDP datagrams the kernel dropped for full receive buffers, in the receiver's namespace.
    qint64 rcvbufErrors() const
    {
        QFile snmp(QStringLiteral("/proc/%1/net/snmp").arg(m_process.processId()));
        if (!snmp.open(QIODevice::ReadOnly))
            return 0;
        QList<QByteArray> names;
        while (!snmp.atEnd()) {
            const QList<QByteArray> fields = snmp.readLine().simplified().split(' ');
            if (fields.value(0) != "Udp:")
                continue;
            if (names.isEmpty()) {
                names = fields;
                continue;
            }
            return fields.value(names.indexOf("RcvbufErrors")).toLongLong();
        }
        return 0;
    }

private:
    QProcess m_process;
};

Report parseReport(const QByteArray& line)
{
    Report report;
    for (const QByteArray& pair : line.split(' ')) {
        const qsizetype equals = pair.indexOf('=');
        const QByteArray key = pair.left(equals), value = pair.mid(equals + 1);
        if (key == "handled")
            report.handled = value.toInt();
        else if (key == "ordered")
            report.ordered = value == "1";
        else if (key == "roster")
            report.roster = value.toInt();
        else if (key == "gap")
            report.gapMs = value.toDouble();
        else if (key == "busy")
            report.busyMs = value.toDouble();
        else if (key == "idlegap")
            report.idleGapMs = value.toDouble();
    }
    return report;
}

QByteArray datagram(const char* word, const QStringList& fields)
{
    return *Framing::framePacket(Framing::commandData(word, fields));
}

class Sender {
public:
    Sender(const QHostAddress& to, quint16 port)
        : m_fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0))
    {
        m_to.sin_family = AF_INET;
        m_to.sin_port = htons(port);
        m_to.sin_addr.s_addr = htonl(to.toIPv4Address());
    }
    ~Sender() { ::close(m_fd); }
    // As fast as the socket takes them, one system call each.
    void send(const std::vector<QByteArray>& datagrams) const
    {
        for (const QByteArray& d : datagrams)
            ::sendto(m_fd, d.constData(), std::size_t(d.size()), 0,
                     reinterpret_cast<const sockaddr*>(&m_to), sizeof m_to);
    }

private:
    int m_fd;
    sockaddr_in m_to{};
};

enum class Kind { Plain, Station };
enum class Load { Chat, Answers };

struct Setup {
    Bench::Netns& receiverNetns;
    QHostAddress to;
    quint16 port;
    QHostAddress stationBroadcast;
};

Report runOnce(const Setup& setup, Kind kind, Load load)
{
    const QStringList args =
        kind == Kind::Plain ? QStringList{QStringLiteral("plain"), QString::number(setup.port)}
                            : QStringList{QStringLiteral("station"), QString::number(setup.port),
                                          setup.stationBroadcast.toString()};
    Receiver receiver(setup.receiverNetns, args);
    if (receiver.waitFor("READY").isEmpty())
        return {};
    const Sender sender(setup.to, setup.port);
    std::vector<QByteArray> datagrams;
    if (load == Load::Chat) {
        if (kind == Kind::Station) {
            sender.send({datagram("LOGON", {FloodAddress, FloodNick, QStringLiteral("user")})});
            if (receiver.waitFor("JOINED").isEmpty())
                return {};
        }
        for (int i = 0; i < Bursts * BurstSize; ++i)
            datagrams.push_back(datagram(
                "MSG", {FloodAddress, QStringLiteral("%1 ahoj, tohle je zpráva z velké dávky")
                                          .arg(i, 6, 10, QLatin1Char('0'))}));
    } else {
        if (kind == Kind::Station) {
            receiver.send("refresh");
            receiver.waitFor("REFRESHED");
        }
        for (int i = 0; i < Answers; ++i)
            datagrams.push_back(
                datagram("PTOING", {QStringLiteral("10.98.%1.%2").arg(i / 250).arg(i % 250 + 1),
                                    QStringLiteral("stanice%1").arg(i), QStringLiteral("user")}));
    }
    const qint64 dropsBefore = receiver.rcvbufErrors();
    sender.send(datagrams);
    receiver.send("sent");
    Report report = parseReport(receiver.waitFor("REPORT", 120'000));
    report.kernelDrops = receiver.rcvbufErrors() - dropsBefore;
    return report;
}

int drive(const QStringList& args)
{
    const auto option = [&args](const char* name) {
        const qsizetype at = args.indexOf(QLatin1String(name));
        return at >= 0 ? args.value(at + 1) : QString();
    };
    Bench::Netns senderNetns(option("--sender-netns"));
    Bench::Netns receiverNetns(option("--receiver-netns"));
    if (!senderNetns.isValid() || !receiverNetns.isValid() || !senderNetns.enter()) {
        std::fprintf(stderr, "bench_receive: cannot use the namespaces given\n");
        return 1;
    }
    const bool namespaces = !receiverNetns.name().isEmpty();
    const int rounds = qMax(1, option("--rounds").toInt());
    quint16 port = 1705;
    if (!namespaces) {
        // Loopback: a port of its own, so a running station does not take the flood.
        QUdpSocket probe;
        probe.bind(QHostAddress::LocalHost, 0);
        port = probe.localPort();
    }
    const Setup setup{receiverNetns,
                      namespaces ? QHostAddress(option("--to")) : QHostAddress::LocalHost, port,
                      namespaces ? QHostAddress::Broadcast : QHostAddress::LocalHost};

    Report plainChat, stationChat, plainAnswers, stationAnswers;
    double worstGap = 0, worstBusy = 0, idleGap = 0;
    int worstRoster = Answers + 1;
    const auto add = [](Report& sum, const Report& one) {
        sum.handled += one.handled;
        sum.ordered = sum.ordered && one.ordered;
        sum.roster += one.roster;
        sum.kernelDrops += one.kernelDrops;
    };
    for (int round = 0; round < rounds; ++round) {
        const Report chats[] = {runOnce(setup, Kind::Plain, Load::Chat),
                                runOnce(setup, Kind::Station, Load::Chat)};
        const Report answers[] = {runOnce(setup, Kind::Plain, Load::Answers),
                                  runOnce(setup, Kind::Station, Load::Answers)};
        add(plainChat, chats[0]);
        add(stationChat, chats[1]);
        add(plainAnswers, answers[0]);
        add(stationAnswers, answers[1]);
        worstGap = qMax(worstGap, qMax(chats[1].gapMs, answers[1].gapMs));
        worstBusy = qMax(worstBusy, qMax(chats[1].busyMs, answers[1].busyMs));
        idleGap = qMax(idleGap, chats[1].idleGapMs);
        worstRoster = qMin(worstRoster, answers[1].roster);
        Bench::note(QStringLiteral("  round %1: chat lines plain %2 station %3 (in order: %4); "
                                   "answers plain %5, station roster %6; GUI gap %7 / %8 ms "
                                   "(lines / answers), busy %9 / %10 ms")
                        .arg(round + 1)
                        .arg(chats[0].handled)
                        .arg(chats[1].handled)
                        .arg(chats[1].ordered ? "yes" : "NO")
                        .arg(answers[0].handled)
                        .arg(answers[1].roster)
                        .arg(chats[1].gapMs, 0, 'f', 1)
                        .arg(answers[1].gapMs, 0, 'f', 1)
                        .arg(chats[1].busyMs, 0, 'f', 1)
                        .arg(answers[1].busyMs, 0, 'f', 1));
    }

    const int sent = rounds * Bursts * BurstSize;
    Bench::note(
        QStringLiteral("receive path (%1, %2 rounds of %3 x %4 chat lines; %5 sent):")
            .arg(namespaces ? QStringLiteral("two network namespaces") : QStringLiteral("loopback"))
            .arg(rounds)
            .arg(Bursts)
            .arg(BurstSize)
            .arg(sent));
    Bench::figure(QStringLiteral("chat lines shown by the station / got by a plain receiver"),
                  stationChat.handled, plainChat.handled, QStringLiteral("lines"),
                  QStringLiteral(">= 0.95"));
    Bench::note(QStringLiteral("  every line shown in order: %1; kernel drops (RcvbufErrors): "
                               "station %2, plain %3")
                    .arg(stationChat.ordered ? "yes" : "NO")
                    .arg(stationChat.kernelDrops)
                    .arg(plainChat.kernelDrops));
    Bench::limit(QStringLiteral("GUI thread held up under the flood, longest heartbeat gap"),
                 worstGap, 100, QStringLiteral("ms"));
    Bench::limit(QStringLiteral("  the same, counting only the GUI thread's processor time"),
                 worstBusy, 100, QStringLiteral("ms"));
    Bench::note(QStringLiteral("  (heartbeat every 10 ms; longest gap before the flood: %1 ms)")
                    .arg(idleGap, 0, 'f', 1));
    Bench::note(QStringLiteral("roster at %1 (%1 answers to one refresh, %2 rounds):")
                    .arg(Answers)
                    .arg(rounds));
    Bench::figure(QStringLiteral("roster entries, fewest in a round / own + %1").arg(Answers),
                  worstRoster, Answers + 1, QStringLiteral("entries"), QStringLiteral("= 1"));
    // The station lists its own entry beside the answers.
    Bench::figure(QStringLiteral("answers listed by the station / got by a plain receiver"),
                  stationAnswers.roster - rounds, plainAnswers.handled, QStringLiteral("answers"),
                  QStringLiteral(">= 0.95"));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == QLatin1String("station")) {
        QApplication app(argc, argv);
        return runStation(app, quint16(QByteArray(argv[2]).toUInt()),
                          QHostAddress(QString::fromLatin1(argv[3])));
    }
    if (mode == QLatin1String("plain"))
        return runPlain(quint16(QByteArray(argv[2]).toUInt()));
    if (mode == QLatin1String("drive")) {
        QCoreApplication app(argc, argv);
        return drive(app.arguments().mid(2));
    }
    std::fprintf(stderr, "usage: bench_receive drive [--sender-netns NS --receiver-netns NS "
                         "--to ADDRESS] [--rounds N]\n");
    return 2;
}
