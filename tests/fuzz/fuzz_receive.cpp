// Arbitrary datagrams through one station's receive buffers into its real handlers, with
// recording stand-ins around it. Aborts on the first broken rule.
#include "FakeStation.h"
#include "core/protocol/PeerText.h"
#include "core/protocol/ReceiveBuffer.h"
#include "core/transfer/Transfer.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <tuple>

namespace {

#define EXPECT(condition)                                                                          \
    ((condition) ? void()                                                                          \
                 : (std::fprintf(stderr, "broken: %s (%s:%d)\n", #condition, __FILE__, __LINE__),  \
                    std::abort()))

// Who a datagram may come from: peers, this host, and addresses that are no one station.
const std::array<QString, 8> Sources{"10.0.0.7",        "10.0.0.8",   "10.0.0.1",  "127.0.0.1",
                                     "255.255.255.255", "10.0.0.255", "224.0.0.1", "0.0.0.0"};

// One datagram as the fuzz input carries it: a control byte, a user byte, a 16-bit
// little-endian length, then that many bytes (fewer at the end of the input).
//   control bits 0-2: index into Sources
//   control bits 3-6: how far the clock moves first, in quarter seconds
//   control bit 7:    the user closes the oldest open note first
//   user bits 0-1:    what the user does first: nothing, offers a file to the source,
//                     answers a file question, or closes a save dialog
//   user bit 2:       the second of two files / yes / saves (else the first / no / cancels)
//   user bits 3-7:    which open question or save dialog, modulo their number
struct Record {
    enum class Action { None, Offer, Answer, Save };

    quint8 control = 0;
    quint8 user = 0;
    QByteArray datagram;

    int source() const { return control & 7; }
    qint64 clockStepMs() const { return ((control >> 3) & 15) * 250; }
    bool closesNote() const { return control & 0x80; }
    Action action() const { return Action(user & 3); }
    bool yes() const { return user & 4; }
    int which() const { return user >> 3; }
};

// Station 10.0.0.1 ("já") and what it did in earlier steps that later ones are judged by.
struct Stage : FakeStation {
    Stage()
        : FakeStation(Sources[2])
    {
        now = 1'000'000;
        messages.setAttentionResponse(Messages::AttentionResponse::RestoreWindow);
    }
    ReceiveBuffers buffers;
    std::array<QList<qint64>, Sources.size()> answeredAt; // PINGs answered, per source
    std::array<QList<qint64>, Sources.size()> offersTakenAt; // SENDFILEs asked or refused
    QHash<QString, QStringList> offered; // files offered to an address and not sent there yet
    QStringList asking; // the source of each open question, in the prompts' order
    QStringList choosing; // the source of each open save dialog, likewise
    QStringList started; // files whose sending began in the current step
};

// The two files the station offers, and where it saves what it takes.
struct Files {
    QTemporaryDir dir;
    std::array<QString, 2> offered{dir.filePath("a.txt"), dir.filePath("b.txt")};
    QString destination = dir.filePath("received");
    Files()
    {
        for (int i = 0; i < 2; ++i) {
            QFile file(offered[i]);
            EXPECT(file.open(QIODevice::WriteOnly) && file.write(QByteArray(100 * (i + 1), 'x')));
        }
    }
};

// The longest answer a packet may draw: an answer must never grow with what the peer sent.
constexpr qsizetype MaxAnswerBytes = 200;

bool hasControlCharacter(const QString& text)
{
    return std::any_of(text.cbegin(), text.cend(),
                       [](QChar c) { return c.unicode() < 32 || (c >= u'\x7F' && c < u'\xA0'); });
}

QHash<QString, Roster::Entry> entriesOf(const Roster& roster)
{
    QHash<QString, Roster::Entry> entries;
    for (int row = 0; row < roster.count(); ++row)
        entries.insert(roster.at(row).key, roster.at(row));
    return entries;
}

// Whether a packet from source may speak for address, judged by the roster before it came:
// this station only from this host, a listed one from its entry's source or its own address.
bool speaksFor(const Stage& stage, const QHash<QString, Roster::Entry>& entries,
               const QString& source, const QString& address)
{
    if (address == stage.self.address || stage.hosts.isOwn(address))
        return stage.hosts.isOwn(source);
    const auto entry = entries.constFind(Roster::keyFor(address));
    return entry == entries.cend() || source == address || entry->source == source;
}

// Only the source that made an entry, or the station at its address, changes it (this station's
// own entry: this host); a new entry speaks through the source that made it; one source makes a
// few entries for other addresses at most.
void checkRoster(const Stage& stage, const QHash<QString, Roster::Entry>& before,
                 const QString& source)
{
    const Roster& roster = stage.roster;
    EXPECT(roster.count() <= Roster::MaxEntries);
    QHash<QString, int> made;
    const auto fields = [](const Roster::Entry& e) { return std::tie(e.nick, e.icon, e.source); };
    for (int row = 0; row < roster.count(); ++row) {
        const Roster::Entry& entry = roster.at(row);
        EXPECT(roster.rowOf(entry.key) == row);
        EXPECT(entry.nick.size() <= PeerText::MaxNickLength);
        if (entry.source != Roster::addressOf(entry.key))
            EXPECT(++made[entry.source] <= Roster::MaxEntriesPerSource);
        EXPECT(before.contains(entry.key) || entry.source == source);
    }
    for (auto old = before.cbegin(); old != before.cend(); ++old) {
        const int row = roster.rowOf(old.key());
        if (row < 0 || fields(roster.at(row)) != fields(*old))
            EXPECT(speaksFor(stage, before, source, Roster::addressOf(old.key())));
    }
}

// The one packet sent since sentBefore, which went to `to` alone; null when none went out.
const SentPacket* oneSentTo(const Stage& stage, qsizetype sentBefore, const QString& to)
{
    EXPECT(stage.sent.size() - sentBefore <= 1);
    if (stage.sent.size() == sentBefore)
        return nullptr;
    EXPECT(stage.sent.last().to == QStringList{to});
    return &stage.sent.last();
}

// An offer is answered at most once, with ACCEPTFILE or REFUSEFILE, to the one station it
// came from; no answer grows with what the peer sent.
void checkFileAnswer(const Stage& stage, qsizetype sentBefore, const QString& from)
{
    if (const SentPacket* answer = oneSentTo(stage, sentBefore, from)) {
        EXPECT(stage.guard.canAnswer(from));
        EXPECT(answer->data.startsWith("ACCEPTFILE\t") || answer->data.startsWith("REFUSEFILE\t"));
        EXPECT(answer->data.size() <= MaxAnswerBytes);
    }
}

// No more questions than allowed, and the station's count is what the user sees.
void checkQuestions(const Stage& stage)
{
    const int open = stage.transfers.openQuestions();
    EXPECT(open <= FileTransfers::MaxOpenQuestions);
    EXPECT(open == stage.prompts.questions.size() + stage.prompts.saveDialogs.size());
    EXPECT(stage.asking.size() == stage.prompts.questions.size());
    EXPECT(stage.choosing.size() == stage.prompts.saveDialogs.size());
}

// What the user does before a datagram arrives: offers a file to its source, or answers an
// offer (never connecting anywhere), the answer going back where the offer came from.
void act(Stage& stage, const Record& record, const QString& source)
{
    const qsizetype sentBefore = stage.sent.size();
    const qsizetype connectsBefore = stage.network.connects.size();
    ScriptedPrompts& prompts = stage.prompts;
    static const Files files; // made once per process
    if (record.action() == Record::Action::Offer) {
        const QString& file = files.offered[record.yes()];
        stage.transfers.offerFile(source, file);
        if (const SentPacket* offer = oneSentTo(stage, sentBefore, source)) {
            EXPECT(offer->data.startsWith("SENDFILE\t"));
            stage.offered[source].append(file);
        }
    } else if (record.action() == Record::Action::Answer && !prompts.questions.isEmpty()) {
        const qsizetype i = record.which() % prompts.questions.size();
        const QString from = stage.asking.takeAt(i);
        prompts.questions.takeAt(i).answer(record.yes());
        if (prompts.saveDialogs.size() > stage.choosing.size())
            stage.choosing.append(from);
        checkFileAnswer(stage, sentBefore, from);
    } else if (record.action() == Record::Action::Save && !prompts.saveDialogs.isEmpty()) {
        const qsizetype i = record.which() % prompts.saveDialogs.size();
        const QString from = stage.choosing.takeAt(i);
        const ScriptedPrompts::SaveDialog dialog = prompts.saveDialogs.takeAt(i);
        const QString& name = dialog.proposed; // never a folder, a drive or a hidden file
        EXPECT(!name.isEmpty() && !name.startsWith(u'.') && !hasControlCharacter(name) &&
               std::none_of(name.cbegin(), name.cend(),
                            [](QChar c) { return c == u'/' || c == u'\\' || c == u':'; }));
        dialog.choose(record.yes() ? files.destination : QString());
        checkFileAnswer(stage, sentBefore, from);
    }
    EXPECT(stage.network.connects.size() == connectsBefore && stage.started.isEmpty());
    checkQuestions(stage);
}

// Only a PING and a SENDFILE are answered. A PING with exactly one PTOING to its source, when
// that is one station, the PING does not speak for another from elsewhere, and fewer than five
// answers went there in the last second; offers are taken up (asked or refused) five times a
// second at most. The station connects only to take up one of its offers: to the address it
// went to, at the port that address accepted on, to send a file offered there.
void checkPacket(Stage& stage, const ReceiveBuffer::Packet& packet, int sourceIndex,
                 const QHash<QString, Roster::Entry>& entriesBefore, qsizetype sentBefore,
                 qsizetype connectsBefore, bool asked)
{
    const QString& source = Sources[sourceIndex];
    const QStringList d = CommandDispatcher::splitFields(packet.argument);
    QList<qint64>& answeredAt = stage.answeredAt[sourceIndex];
    QList<qint64>& takenAt = stage.offersTakenAt[sourceIndex];
    for (QList<qint64>* times : {&answeredAt, &takenAt})
        times->removeIf([&](qint64 at) { return stage.now - at >= 1000; });
    if (packet.word == "SENDFILE") {
        checkFileAnswer(stage, sentBefore, source);
        if (asked || stage.sent.size() > sentBefore)
            takenAt.append(stage.now);
        EXPECT(takenAt.size() <= FileTransfers::OfferAnswersPerSecond);
    } else if (packet.word == "PING") {
        const bool due = !d.isEmpty() && speaksFor(stage, entriesBefore, source, d[0]) &&
                         stage.guard.canAnswer(source) &&
                         answeredAt.size() < Presence::PingAnswersPerSecond;
        const SentPacket* answer = oneSentTo(stage, sentBefore, source);
        EXPECT(due == (answer != nullptr));
        EXPECT(!answer ||
               (answer->data.startsWith("PTOING\t") && answer->data.size() <= MaxAnswerBytes));
        if (answer)
            answeredAt.append(stage.now);
    } else {
        EXPECT(stage.sent.size() == sentBefore);
    }
    const auto& connects = stage.network.connects;
    EXPECT(connects.size() - connectsBefore == stage.started.size());
    if (!stage.started.isEmpty()) {
        EXPECT(packet.word == "ACCEPTFILE" && d.size() >= 2 && stage.started.size() == 1);
        EXPECT(connects.last() == std::pair(QHostAddress(source), d[1].toUShort()));
        EXPECT(stage.offered[source].removeOne(stage.started.takeFirst()));
    }
}

std::vector<Record> records(const quint8* data, size_t size)
{
    std::vector<Record> result;
    size_t at = 0;
    while (at < size) {
        Record record;
        record.control = data[at++];
        record.user = at < size ? data[at++] : 0;
        size_t length = 0;
        for (int shift = 0; shift < 16 && at < size; shift += 8)
            length |= size_t(data[at++]) << shift;
        length = std::min(length, size - at);
        record.datagram = QByteArray(reinterpret_cast<const char*>(data + at), qsizetype(length));
        at += length;
        result.push_back(std::move(record));
    }
    return result;
}

} // namespace

// Transfers keep timers and listening sockets, which want an event dispatcher.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const quint8* data, size_t size)
{
    Stage stage;
    qint64 lastWake = -Messages::AttentionIntervalMs;
    QObject::connect(&stage.messages, &Messages::attentionRequested, [&] {
        EXPECT(stage.now - lastWake >= Messages::AttentionIntervalMs);
        lastWake = stage.now;
    });
    QObject::connect(&stage.transfers, &FileTransfers::transferStarted, [&](Transfer* transfer) {
        if (transfer->direction() == Transfer::Direction::Sending)
            stage.started.append(transfer->fileLabel());
    });

    for (const Record& record : records(data, size)) {
        stage.now += record.clockStepMs();
        if (record.closesNote() && !stage.notes.notes.isEmpty())
            stage.notes.notes.takeFirst().close();
        const QString& source = Sources[record.source()];
        act(stage, record, source);
        ReceiveBuffer& buffer = stage.buffers.of(source);
        buffer.append(record.datagram);
        while (const auto packet = buffer.takeNext()) {
            EXPECT(packet->word.size() + packet->argument.size() + 3 <= Framing::MaxDataLength);
            const qsizetype sentBefore = stage.sent.size();
            const qsizetype linesBefore = stage.transcript.lines.size();
            const qsizetype connectsBefore = stage.network.connects.size();
            const auto entriesBefore = entriesOf(stage.roster);
            stage.dispatcher.handleCommand(packet->word, packet->argument, source);
            const bool asked = stage.prompts.questions.size() > stage.asking.size();
            if (packet->word == "SENDFILE" && asked)
                stage.asking.append(source);
            checkPacket(stage, *packet, record.source(), entriesBefore, sentBefore, connectsBefore,
                        asked);
            checkQuestions(stage);
            for (qsizetype i = linesBefore; i < stage.transcript.lines.size(); ++i)
                EXPECT(!hasControlCharacter(stage.transcript.lines[i].text) &&
                       !hasControlCharacter(stage.transcript.lines[i].nick));
            checkRoster(stage, entriesBefore, source);
            EXPECT(stage.messages.openNotes() == stage.notes.notes.size());
            EXPECT(stage.messages.openNotes() <= Messages::MaxOpenNotes);
        }
        EXPECT(buffer.pendingBytes() <= Framing::MaxPendingBytes);
    }
    return 0;
}
