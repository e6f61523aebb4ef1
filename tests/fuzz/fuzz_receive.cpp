// Arbitrary bytes, cut into datagrams from chosen sources at chosen points, through the
// receive buffers and the dispatcher into the real handlers. Aborts on the first broken rule.
#include "ReceiveStage.h"
#include "protocol/Framing.h"
#include "protocol/PeerText.h"

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
                       [](QChar c) { return c.unicode() < 32 || c.unicode() == 127; });
}

void checkRoster(const Roster& roster)
{
    EXPECT(roster.count() <= Roster::MaxEntries);
    for (int row = 0; row < roster.count(); ++row) {
        EXPECT(roster.rowOf(roster.at(row).key) == row);
        EXPECT(roster.at(row).text.size() <= PeerText::MaxNickLength);
    }
}

// Only a PING is answered, and then with exactly one packet to its source, when that is one
// station, the PING does not speak for this station from elsewhere, and fewer than five
// answers went there in the last second.
void checkAnswers(const ReceiveStage& stage, const ReceiveBuffer::Packet& packet,
                  const QString& source, qsizetype sentBefore, QList<qint64>& answeredAt)
{
    const qsizetype sent = stage.sender.sent.size() - sentBefore;
    if (packet.word != "PING") {
        EXPECT(sent == 0);
        return;
    }
    answeredAt.removeIf([&](qint64 at) { return stage.now - at >= 1000; });
    const QStringList d = CommandDispatcher::splitFields(packet.argument);
    const bool due = !d.isEmpty() && stage.guard.mayName(source, d[0]) &&
                     stage.guard.canAnswer(source) &&
                     answeredAt.size() < Presence::PingAnswersPerSecond;
    EXPECT(sent == (due ? 1 : 0));
    if (due) {
        EXPECT(stage.sender.sent.last().to == QStringList{source});
        EXPECT(stage.sender.sent.last().data.startsWith("PTOING\t"));
        answeredAt.append(stage.now);
    }
}

void checkTranscript(const ReceiveStage& stage, qsizetype linesBefore)
{
    for (qsizetype i = linesBefore; i < stage.transcript.lines.size(); ++i) {
        EXPECT(!hasControlCharacter(stage.transcript.lines[i].msg));
        EXPECT(!hasControlCharacter(stage.transcript.lines[i].uname));
    }
}

std::vector<Record> records(const quint8* data, size_t size)
{
    std::vector<Record> result;
    size_t at = 0;
    while (at < size) {
        Record record;
        record.control = data[at++];
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

extern "C" int LLVMFuzzerTestOneInput(const quint8* data, size_t size)
{
    ReceiveStage stage;
    std::array<QList<qint64>, Sources.size()> answeredAt;
    qint64 lastWake = -Messages::AttentionIntervalMs;
    QObject::connect(&stage.messages, &Messages::attentionRequested, [&] {
        EXPECT(stage.now - lastWake >= Messages::AttentionIntervalMs);
        lastWake = stage.now;
    });

    for (const Record& record : records(data, size)) {
        stage.now += record.clockStepMs();
        if (record.closesNote() && !stage.notes.notes.isEmpty())
            stage.notes.notes.takeFirst().close();
        const QString& source = Sources[record.source()];
        ReceiveBuffer& buffer = stage.buffers.of(source);
        buffer.append(record.datagram);
        while (const auto packet = buffer.takeNext()) {
            EXPECT(packet->word.size() + packet->argument.size() + 3 <= Framing::MaxDataLength);
            const qsizetype sentBefore = stage.sender.sent.size();
            const qsizetype linesBefore = stage.transcript.lines.size();
            stage.dispatcher.HandleCommand(packet->word, packet->argument, source);
            checkAnswers(stage, *packet, source, sentBefore, answeredAt[record.source()]);
            checkTranscript(stage, linesBefore);
            checkRoster(stage.roster);
            EXPECT(stage.messages.openNotes() == stage.notes.notes.size());
            EXPECT(stage.messages.openNotes() <= Messages::MaxOpenNotes);
        }
        EXPECT(buffer.pendingBytes() <= Framing::MaxPendingBytes);
    }
    return 0;
}
