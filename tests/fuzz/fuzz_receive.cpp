// Arbitrary bytes, cut into datagrams from chosen sources at chosen points, through the
// receive buffers and the dispatcher into the real handlers. Aborts on the first broken rule.
#include "ReceiveStage.h"
#include "core/protocol/Framing.h"
#include "core/protocol/PeerText.h"
#include "core/transfer/Transfer.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

#define EXPECT(condition)                                                                          \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "broken: %s (%s:%d)\n", #condition, __FILE__, __LINE__);          \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

bool hasControlCharacter(const QString& text)
{
    return std::any_of(text.cbegin(), text.cend(),
                       [](QChar c) { return c.unicode() < 32 || (c >= u'\x7F' && c < u'\xA0'); });
}

// Made once per process: the two files the station offers, and where it saves what it takes.
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

const Files& files()
{
    static const Files made;
    return made;
}

// The longest answer a packet may draw: an answer must never grow with what the peer sent.
constexpr qsizetype MaxAnswerBytes = 200;

// What the station did in earlier steps that later ones are judged by.
struct Ledger {
    std::array<QList<qint64>, Sources.size()> answeredAt; // PINGs answered, per source
    std::array<QList<qint64>, Sources.size()> offersTakenAt; // SENDFILEs asked or refused
    QHash<QString, QStringList> offered; // files offered to an address and not sent there yet
    QStringList asking; // the source of each open question, in the prompts' order
    QStringList choosing; // the source of each open save dialog, likewise
    QStringList started; // files whose sending began in the current step
};

QHash<QString, Roster::Entry> entriesOf(const Roster& roster)
{
    QHash<QString, Roster::Entry> entries;
    for (int row = 0; row < roster.count(); ++row)
        entries.insert(roster.at(row).key, roster.at(row));
    return entries;
}

// Only the source that made an entry, or the station at its address, changes it (this station's
// own entry: this host); a new entry speaks through the source that made it; one source makes a
// few entries for other addresses at most.
void checkRoster(const ReceiveStage& stage, const QHash<QString, Roster::Entry>& before,
                 const QString& source)
{
    const Roster& roster = stage.roster;
    EXPECT(roster.count() <= Roster::MaxEntries);
    QHash<QString, int> made;
    for (int row = 0; row < roster.count(); ++row) {
        const Roster::Entry& entry = roster.at(row);
        EXPECT(roster.rowOf(entry.key) == row);
        EXPECT(entry.text.size() <= PeerText::MaxNickLength);
        if (entry.source != Roster::addressOf(entry.key))
            EXPECT(++made[entry.source] <= Roster::MaxEntriesPerSource);
        if (!before.contains(entry.key))
            EXPECT(entry.source == source);
    }
    for (auto old = before.cbegin(); old != before.cend(); ++old) {
        const int row = roster.rowOf(old.key());
        const bool changed = row < 0 || roster.at(row).text != old->text ||
                             roster.at(row).icon != old->icon ||
                             roster.at(row).source != old->source;
        const QString address = Roster::addressOf(old.key());
        const bool ownByOwn = stage.hosts.isOwn(address) && stage.hosts.isOwn(source);
        if (changed)
            EXPECT(source == old->source || source == address || ownByOwn);
    }
}

void checkAnswerSizes(const ReceiveStage& stage, qsizetype sentBefore)
{
    for (qsizetype i = sentBefore; i < stage.sender.sent.size(); ++i) {
        const QByteArray& data = stage.sender.sent[i].data;
        EXPECT(data.startsWith("SENDFILE\t") || data.size() <= MaxAnswerBytes);
    }
}

// Offers from one source are taken up, by a question or a refusal, five times a second at most.
void checkOfferRate(const ReceiveStage& stage, bool taken, QList<qint64>& takenAt)
{
    takenAt.removeIf([&](qint64 at) { return stage.now - at >= 1000; });
    if (!taken)
        return;
    takenAt.append(stage.now);
    EXPECT(takenAt.size() <= FileTransfers::OfferAnswersPerSecond);
}

// The one packet sent since sentBefore, which went to `to` alone; null when none went out.
const SentPackage* oneSentTo(const ReceiveStage& stage, qsizetype sentBefore, const QString& to)
{
    const QList<SentPackage>& sent = stage.sender.sent;
    EXPECT(sent.size() - sentBefore <= 1);
    if (sent.size() == sentBefore)
        return nullptr;
    EXPECT(sent.last().to == QStringList{to});
    return &sent.last();
}

// An offer is answered at most once, with ACCEPTFILE or REFUSEFILE, to the one station it
// came from.
void checkFileAnswer(const ReceiveStage& stage, qsizetype sentBefore, const QString& from)
{
    if (const SentPackage* answer = oneSentTo(stage, sentBefore, from)) {
        EXPECT(stage.guard.canAnswer(from));
        EXPECT(answer->data.startsWith("ACCEPTFILE\t") || answer->data.startsWith("REFUSEFILE\t"));
    }
}

// Whether a packet from source may speak for address, judged by the roster before it came:
// this station only from this host, a listed one from its entry's source or its own address.
bool speaksFor(const ReceiveStage& stage, const QHash<QString, Roster::Entry>& entries,
               const QString& source, const QString& address)
{
    if (address == stage.self.address || stage.hosts.isOwn(address))
        return stage.hosts.isOwn(source);
    const auto entry = entries.constFind(Roster::keyFor(address));
    return entry == entries.cend() || source == address || entry->source == source;
}

// Only a PING and a SENDFILE are answered. A PING with exactly one packet to its source,
// when that is one station, the PING does not speak for this station from elsewhere, and
// fewer than five answers went there in the last second.
void checkAnswers(const ReceiveStage& stage, const ReceiveBuffer::Packet& packet,
                  const QString& source, const QHash<QString, Roster::Entry>& entriesBefore,
                  qsizetype sentBefore, QList<qint64>& answeredAt)
{
    if (packet.word == "SENDFILE") {
        checkFileAnswer(stage, sentBefore, source);
        return;
    }
    if (packet.word != "PING") {
        EXPECT(stage.sender.sent.size() == sentBefore);
        return;
    }
    answeredAt.removeIf([&](qint64 at) { return stage.now - at >= 1000; });
    const QStringList d = CommandDispatcher::splitFields(packet.argument);
    const bool due = !d.isEmpty() && speaksFor(stage, entriesBefore, source, d[0]) &&
                     stage.guard.canAnswer(source) &&
                     answeredAt.size() < Presence::PingAnswersPerSecond;
    const SentPackage* answer = oneSentTo(stage, sentBefore, source);
    EXPECT(due == (answer != nullptr));
    if (answer) {
        EXPECT(answer->data.startsWith("PTOING\t"));
        answeredAt.append(stage.now);
    }
}

// The station connects only to take up one of its offers: to the address it went to, at the
// port that address accepted on, to send a file offered there.
void checkConnects(const ReceiveStage& stage, const ReceiveBuffer::Packet& packet,
                   const QString& source, qsizetype connectsBefore, Ledger& ledger)
{
    const auto& connects = stage.network.connects;
    EXPECT(connects.size() - connectsBefore == ledger.started.size());
    if (ledger.started.isEmpty())
        return;
    const QStringList d = CommandDispatcher::splitFields(packet.argument);
    EXPECT(packet.word == "ACCEPTFILE" && d.size() >= 2 && ledger.started.size() == 1);
    EXPECT(connects.last() == std::pair(QHostAddress(source), d[1].toUShort()));
    EXPECT(ledger.offered[source].removeOne(ledger.started.takeFirst()));
}

// No more questions than allowed, and the station's count is what the user sees.
void checkQuestions(const ReceiveStage& stage, const Ledger& ledger)
{
    const int open = stage.transfers.openQuestions();
    EXPECT(open <= FileTransfers::MaxOpenQuestions);
    EXPECT(open == stage.prompts.questions.size() + stage.prompts.saveDialogs.size());
    EXPECT(ledger.asking.size() == stage.prompts.questions.size());
    EXPECT(ledger.choosing.size() == stage.prompts.saveDialogs.size());
}

// A name from the network never chooses a folder, a drive or a hidden file.
bool isBareName(const QString& name)
{
    return !name.isEmpty() && !name.startsWith(QLatin1Char('.')) && !hasControlCharacter(name) &&
           std::none_of(name.cbegin(), name.cend(),
                        [](QChar c) { return c == u'/' || c == u'\\' || c == u':'; });
}

// What the user does before a datagram arrives: offers a file to its source, or answers an
// offer (never connecting anywhere), the answer going back where the offer came from.
void act(ReceiveStage& stage, const Record& record, const QString& source, Ledger& ledger)
{
    const qsizetype sentBefore = stage.sender.sent.size();
    const qsizetype connectsBefore = stage.network.connects.size();
    ScriptedPrompts& prompts = stage.prompts;
    if (record.action() == Record::Action::Offer) {
        const QString& file = files().offered[record.yes()];
        stage.transfers.offerFile(source, file);
        if (const SentPackage* offer = oneSentTo(stage, sentBefore, source)) {
            EXPECT(offer->data.startsWith("SENDFILE\t"));
            ledger.offered[source].append(file);
        }
    } else if (record.action() == Record::Action::Answer && !prompts.questions.isEmpty()) {
        const qsizetype i = record.which() % prompts.questions.size();
        const QString from = ledger.asking.takeAt(i);
        prompts.questions.takeAt(i).answer(record.yes());
        if (prompts.saveDialogs.size() > ledger.choosing.size())
            ledger.choosing.append(from);
        checkFileAnswer(stage, sentBefore, from);
    } else if (record.action() == Record::Action::Save && !prompts.saveDialogs.isEmpty()) {
        const qsizetype i = record.which() % prompts.saveDialogs.size();
        const QString from = ledger.choosing.takeAt(i);
        const ScriptedPrompts::SaveDialog dialog = prompts.saveDialogs.takeAt(i);
        EXPECT(isBareName(dialog.proposed));
        dialog.choose(record.yes() ? files().destination : QString());
        checkFileAnswer(stage, sentBefore, from);
    }
    EXPECT(stage.network.connects.size() == connectsBefore && ledger.started.isEmpty());
    checkQuestions(stage, ledger);
    checkAnswerSizes(stage, sentBefore);
}

void checkTranscript(const ReceiveStage& stage, qsizetype linesBefore)
{
    for (qsizetype i = linesBefore; i < stage.transcript.lines.size(); ++i) {
        EXPECT(!hasControlCharacter(stage.transcript.lines[i].text));
        EXPECT(!hasControlCharacter(stage.transcript.lines[i].nick));
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
    ReceiveStage stage;
    Ledger ledger;
    qint64 lastWake = -Messages::AttentionIntervalMs;
    QObject::connect(&stage.messages, &Messages::attentionRequested, [&] {
        EXPECT(stage.now - lastWake >= Messages::AttentionIntervalMs);
        lastWake = stage.now;
    });
    QObject::connect(&stage.transfers, &FileTransfers::transferStarted, [&](Transfer* transfer) {
        if (transfer->direction() == Transfer::Direction::Sending)
            ledger.started.append(transfer->fileLabel());
    });

    for (const Record& record : records(data, size)) {
        stage.now += record.clockStepMs();
        if (record.closesNote() && !stage.notes.notes.isEmpty())
            stage.notes.notes.takeFirst().close();
        const QString& source = Sources[record.source()];
        act(stage, record, source, ledger);
        ReceiveBuffer& buffer = stage.buffers.of(source);
        buffer.append(record.datagram);
        while (const auto packet = buffer.takeNext()) {
            EXPECT(packet->word.size() + packet->argument.size() + 3 <= Framing::MaxDataLength);
            const qsizetype sentBefore = stage.sender.sent.size();
            const qsizetype linesBefore = stage.transcript.lines.size();
            const qsizetype connectsBefore = stage.network.connects.size();
            const auto entriesBefore = entriesOf(stage.roster);
            stage.dispatcher.handleCommand(packet->word, packet->argument, source);
            const bool asked = stage.prompts.questions.size() > ledger.asking.size();
            if (packet->word == "SENDFILE" && asked)
                ledger.asking.append(source);
            checkAnswers(stage, *packet, source, entriesBefore, sentBefore,
                         ledger.answeredAt[record.source()]);
            checkAnswerSizes(stage, sentBefore);
            checkOfferRate(stage,
                           packet->word == "SENDFILE" &&
                               (asked || stage.sender.sent.size() > sentBefore),
                           ledger.offersTakenAt[record.source()]);
            checkConnects(stage, *packet, source, connectsBefore, ledger);
            checkQuestions(stage, ledger);
            checkTranscript(stage, linesBefore);
            checkRoster(stage, entriesBefore, source);
            EXPECT(stage.messages.openNotes() == stage.notes.notes.size());
            EXPECT(stage.messages.openNotes() <= Messages::MaxOpenNotes);
        }
        EXPECT(buffer.pendingBytes() <= Framing::MaxPendingBytes);
    }
    return 0;
}
