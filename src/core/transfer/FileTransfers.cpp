#include "FileTransfers.h"

#include "FileReceiver.h"
#include "FileSender.h"
#include "TransferPrompts.h"
#include "TransferText.h"
#include "core/protocol/AddressGuard.h"
#include "core/protocol/CommandDispatcher.h"
#include "core/protocol/Framing.h"
#include "core/protocol/Identity.h"
#include "core/protocol/LineBudget.h"
#include "core/protocol/PacketSender.h"
#include "core/protocol/PeerText.h"
#include "core/protocol/Roster.h"
#include "core/protocol/TranscriptSink.h"

#include <QFileInfo>
#include <QPointer>
#include <QTimer>

#include <limits>

namespace {

const QByteArray SendFileWord = QByteArrayLiteral("SENDFILE");
const QByteArray AcceptFileWord = QByteArrayLiteral("ACCEPTFILE");
const QByteArray RefuseFileWord = QByteArrayLiteral("REFUSEFILE");

// An offered name as the question and the window show it: one line, of a readable length.
constexpr qsizetype MaxShownNameLength = 260;

QString shownName(const QString& name)
{
    return PeerText::field(name.left(MaxShownNameLength));
}

// The size field read as every station reads a number: blanks skipped, digits up to the first
// other character, none as 0. Only the number travels on, never the peer's own text.
qint64 announcedSize(const QString& field)
{
    qsizetype i = 0;
    while (i < field.size() && field[i] == QLatin1Char(' '))
        ++i;
    qint64 size = 0;
    for (; i < field.size() && field[i] >= u'0' && field[i] <= u'9'; ++i) {
        const int digit = field[i].unicode() - u'0';
        if (size > (std::numeric_limits<qint64>::max() - digit) / 10)
            return std::numeric_limits<qint64>::max();
        size = size * 10 + digit;
    }
    return size;
}

} // namespace

FileTransfers::FileTransfers(Parts parts, QObject* parent)
    : QObject(parent)
    , m_parts(std::move(parts))
    , m_offerAnswers(OfferAnswersPerSecond, 1000, m_parts.clock)
{
    connect(&m_parts.roster, &Roster::rowsRemoved, this, &FileTransfers::onUsersLeft);
}

void FileTransfers::attach(CommandDispatcher& dispatcher)
{
    dispatcher.on(SendFileWord, [this](const Command& command) { onSendFile(command); });
    dispatcher.on(AcceptFileWord, [this](const Command& command) { onAcceptFile(command); });
    dispatcher.on(RefuseFileWord, [this](const Command& command) { onRefuseFile(command); });
}

bool FileTransfers::isSending() const
{
    const auto senders = findChildren<FileSender*>(Qt::FindDirectChildrenOnly);
    return std::any_of(senders.begin(), senders.end(),
                       [](const FileSender* sender) { return sender->isRunning(); });
}

int FileTransfers::queuedFiles(const QString& address) const
{
    const auto found = m_queues.constFind(address);
    return found == m_queues.constEnd() ? 0 : static_cast<int>(found->waiting.size());
}

void FileTransfers::offerFile(const QString& address, const QString& path)
{
    if (isSending()) {
        m_parts.transcript.appendBareLine(
            QStringLiteral("další soubor nemůže být zaslán, dokud uživatel "
                           "přijme nebo odmítne předchozí"),
            LineLook::Alert);
        return;
    }
    sendOffer(address, path);
}

bool FileTransfers::sendOffer(const QString& address, const QString& path, quint64 ticket)
{
    const int row = m_parts.roster.rowOf(Roster::keyFor(address));
    if (row < 0)
        return false;
    m_parts.transcript.appendLine(QStringLiteral("žádost o příjem souboru na uživatele ") +
                                  m_parts.roster.at(row).nick);
    const QFileInfo file(path);
    if (!file.isFile())
        return false;
    const OfferBook::Offer offer{path, file.size(), TransferText::fileNameFromPath(path), ticket};
    m_offers.add(address, offer);
    m_parts.sender.sendPacket(
        Framing::commandData(SendFileWord, {m_parts.self.address, m_parts.self.nick,
                                            QString::number(offer.size), offer.name}),
        {address});
    return true;
}

// Queued files wait for the one before them rather than being refused: the user meant all of
// them to go, and the peer is asked about one at a time. Only what fits in the queue is looked
// at, so a drop of a whole disk costs no more than a full queue.
void FileTransfers::offerFiles(const QString& address, const QStringList& paths)
{
    const auto found = m_queues.constFind(address);
    const bool queued = found != m_queues.constEnd();
    const qsizetype room = MaxQueuedFiles - (queued ? found->waiting.size() : 0);
    QStringList files;
    QStringList folders;
    for (const QString& path : paths.mid(0, room))
        (QFileInfo(path).isDir() ? folders : files).append(path);
    if (folders.size() == 1)
        m_parts.transcript.appendBareLine(
            QStringLiteral("složka %1 nebyla zaslána: přenášet lze jen soubory").arg(folders[0]),
            LineLook::Alert);
    else if (folders.size() > 1)
        m_parts.transcript.appendBareLine(
            QStringLiteral("složky (%1) nebyly zaslány: přenášet lze jen soubory")
                .arg(folders.size()),
            LineLook::Alert);
    if (paths.size() > room)
        m_parts.transcript.appendBareLine(
            QStringLiteral("soubory, které se do fronty nevešly, nebudou zaslány: %1")
                .arg(paths.size() - room),
            LineLook::Alert);
    if (!queued && files.size() == 1)
        offerFile(address, files.first());
    if (files.isEmpty() || (!queued && files.size() == 1))
        return;
    SendQueue& queue = m_queues[address];
    queue.waiting += files;
    queue.count += static_cast<int>(files.size());
    if (queue.current)
        queue.current->setQueuePlace({queue.offered, queue.count});
    if (queue.ticket == 0)
        offerNext(address);
}

// A user who left answers no offer any more: what waits for them would wait for ever. A
// refresh empties the whole list at once and is not a leave.
void FileTransfers::onUsersLeft()
{
    for (auto it = m_queues.begin(); it != m_queues.end();) {
        if (m_parts.roster.rowOf(Roster::keyFor(it.key())) >= 0) {
            ++it;
            continue;
        }
        if (!it->waiting.isEmpty())
            m_parts.transcript.appendBareLine(
                QStringLiteral("uživatel %1 odešel, soubory ve frontě (%2) nebudou zaslány")
                    .arg(it.key())
                    .arg(it->waiting.size()),
                LineLook::Alert);
        it = m_queues.erase(it);
    }
}

void FileTransfers::offerNext(const QString& address)
{
    const auto found = m_queues.find(address);
    if (found == m_queues.end())
        return;
    SendQueue& queue = *found;
    queue.ticket = 0;
    queue.current = nullptr;
    while (!queue.waiting.isEmpty()) {
        ++queue.offered;
        const quint64 ticket = ++m_lastTicket;
        if (sendOffer(address, queue.waiting.takeFirst(), ticket)) {
            queue.ticket = ticket;
            return;
        }
        // A user who left takes none of the rest either.
        if (m_parts.roster.rowOf(Roster::keyFor(address)) < 0)
            break;
    }
    m_queues.erase(found);
}

void FileTransfers::onQueuedDone(const QString& address, quint64 ticket)
{
    const auto found = m_queues.constFind(address);
    if (found != m_queues.constEnd() && found->ticket == ticket)
        offerNext(address);
}

void FileTransfers::follow(const QString& address, Transfer& transfer, quint64 ticket)
{
    const auto found = m_queues.find(address);
    if (found != m_queues.end() && found->ticket == ticket) {
        found->current = &transfer;
        transfer.setQueuePlace({found->offered, found->count});
    }
    connect(&transfer, &Transfer::finished, this,
            [this, address, ticket] { onQueuedDone(address, ticket); });
    connect(&transfer, &Transfer::restCancelled, this,
            [this, address, ticket] { dropQueue(address, ticket); });
}

void FileTransfers::dropQueue(const QString& address, quint64 ticket)
{
    const auto found = m_queues.find(address);
    if (found == m_queues.end() || found->ticket != ticket)
        return;
    const qsizetype rest = found->waiting.size();
    m_queues.erase(found);
    if (rest > 0)
        m_parts.transcript.appendBareLine(
            QStringLiteral("odesílání zbývajících souborů ve frontě (%1) bylo zrušeno").arg(rest),
            LineLook::Status);
}

// An offer from a broadcast, group or "any" address is not asked about: its answer would go
// to many stations, or nowhere.
void FileTransfers::onSendFile(const Command& command)
{
    if (!command.has(3) || !m_parts.guard.canAnswer(command.source) ||
        !m_parts.guard.admit(command.source, command.fields[0]) ||
        !m_offerAnswers.allow(command.source))
        return;
    const QStringList& fields = command.fields; // address, nick, size, name
    const IncomingOffer offer{command.source, PeerText::nick(fields[1]), announcedSize(fields[2]),
                              fields[3]};
    if (m_questions.size() >= MaxOpenQuestions) {
        refuse(offer);
        // One pass over both arguments: a name with "%2" in it stays as it is.
        m_parts.peerLines.appendLine(
            command.source,
            QStringLiteral("soubor %1 od uživatele %2 byl odmítnut: otevřeny "
                           "jsou již tři žádosti o příjem souboru")
                .arg(shownName(offer.name), offer.nick),
            LineLook::Alert);
        return;
    }
    const quint64 question = ++m_lastQuestion;
    m_questions.insert(question, offer);
    m_parts.prompts.askToAccept(
        TransferText::offerQuestion(offer.nick, shownName(offer.name), offer.size),
        [self = QPointer(this), question](bool yes) {
            if (self)
                self->onAnswered(question, yes);
        });
}

// The offer may be gone by the time the user answers: every answer looks it up again.
void FileTransfers::onAnswered(quint64 question, bool yes)
{
    if (!m_questions.contains(question))
        return;
    if (!yes) {
        refuse(m_questions.take(question));
        return;
    }
    const IncomingOffer& offer = m_questions[question];
    m_parts.prompts.chooseDestination(
        QStringLiteral("uložit soubor od ") + offer.nick,
        TransferText::proposedSaveName(offer.name),
        [self = QPointer(this), question](const QString& destination) {
            if (self)
                self->onDestinationChosen(question, destination);
        });
}

void FileTransfers::onDestinationChosen(quint64 question, const QString& destination)
{
    if (!m_questions.contains(question))
        return;
    const IncomingOffer offer = m_questions.take(question);
    if (destination.isEmpty())
        refuse(offer);
    else
        receive(offer, destination);
}

void FileTransfers::receive(const IncomingOffer& offer, const QString& destination)
{
    auto* receiver = new FileReceiver(m_parts.transcript, m_parts.network, QHostAddress(offer.from),
                                      shownName(offer.name), offer.size, destination, this);
    const quint16 port = receiver->start();
    begin(receiver);
    if (port == 0) {
        refuse(offer);
        return;
    }
    m_parts.sender.sendPacket(
        Framing::commandData(AcceptFileWord, {m_parts.self.address, QString::number(port),
                                              offer.name.left(OfferBook::RepeatedNameLength)}),
        {offer.from});
}

void FileTransfers::refuse(const IncomingOffer& offer)
{
    m_parts.sender.sendPacket(
        Framing::commandData(RefuseFileWord, {m_parts.self.nick, QString::number(offer.size)}),
        {offer.from});
}

// Only the address an offer went to can take it, and only for itself: the acceptance must
// come from the address it names.
void FileTransfers::onAcceptFile(const Command& command)
{
    if (!command.has(1) || command.fields[0] != command.source)
        return;
    bool valid = false;
    const quint16 port = command.fields[1].toUShort(&valid);
    if (!valid || port == 0)
        return;
    const auto offer = m_offers.takeAccepted(command.source, command.fields.value(2));
    if (!offer)
        return;
    auto* sender = new FileSender(m_parts.transcript, m_parts.network, offer->path,
                                  QHostAddress(command.source), port, this);
    // Followed before it starts: a file that cannot be read ends it at once.
    if (offer->ticket != 0)
        follow(command.source, *sender, offer->ticket);
    sender->start();
    begin(sender);
}

void FileTransfers::onRefuseFile(const Command& command)
{
    if (!command.has(0))
        return;
    const auto offer = m_offers.takeRefused(command.source, command.fields.value(1));
    if (!offer)
        return;
    m_parts.peerLines.appendBareLine(command.source,
                                     QStringLiteral("uživatel ") +
                                         PeerText::nick(command.fields[0]) +
                                         QStringLiteral(" odmítl přijmout soubor"),
                                     LineLook::Action);
    if (offer->ticket != 0)
        QTimer::singleShot(QueuePauseAfterRefusal, this,
                           [this, address = command.source, ticket = offer->ticket] {
                               onQueuedDone(address, ticket);
                           });
}

void FileTransfers::begin(Transfer* transfer)
{
    if (transfer->isFinished()) {
        transfer->deleteLater();
        return;
    }
    transfer->setClock(m_parts.clock);
    transfer->setIdleTimeout(m_idleTimeout);
    connect(transfer, &Transfer::finished, transfer, &QObject::deleteLater);
    emit transferStarted(transfer);
}
