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

void FileTransfers::offerFile(const QString& address, const QString& path)
{
    if (isSending()) {
        m_parts.transcript.appendBareLine(
            QStringLiteral("další soubor nemůže být zaslán, dokud uživatel "
                           "přijme nebo odmítne předchozí"),
            LineLook::Alert);
        return;
    }
    const int row = m_parts.roster.rowOf(Roster::keyFor(address));
    if (row < 0)
        return;
    m_parts.transcript.appendLine(QStringLiteral("žádost o příjem souboru na uživatele ") +
                                  m_parts.roster.at(row).nick);
    const QFileInfo file(path);
    if (!file.isFile())
        return;
    const OfferBook::Offer offer{path, file.size(), TransferText::fileNameFromPath(path)};
    m_offers.add(address, offer);
    m_parts.sender.sendPacket(
        Framing::commandData(SendFileWord, {m_parts.self.address, m_parts.self.nick,
                                            QString::number(offer.size), offer.name}),
        {address});
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
    sender->start();
    begin(sender);
}

void FileTransfers::onRefuseFile(const Command& command)
{
    if (!command.has(0))
        return;
    if (!m_offers.takeRefused(command.source, command.fields.value(1)))
        return;
    m_parts.peerLines.appendBareLine(command.source,
                                     QStringLiteral("uživatel ") +
                                         PeerText::nick(command.fields[0]) +
                                         QStringLiteral(" odmítl přijmout soubor"),
                                     LineLook::Action);
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
