#pragma once

#include "OfferBook.h"
#include "Transfer.h"
#include "core/protocol/RateLimiter.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <chrono>

class AddressGuard;
class CommandDispatcher;
class LineBudget;
class PacketSender;
class Roster;
class TranscriptSink;
class TransferNetwork;
class TransferPrompts;
struct Command;
struct Identity;

// Files between users: the offers this station makes and the answers it takes, the offers
// it receives and the questions they raise, and every transfer that follows. Peers reach it
// only through SENDFILE, ACCEPTFILE and REFUSEFILE.
class FileTransfers final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileTransfers)

public:
    struct Parts {
        const Identity& self;
        AddressGuard& guard;
        const Roster& roster;
        PacketSender& sender;
        TranscriptSink& transcript;
        LineBudget& peerLines; // lines that a peer's packet writes
        TransferPrompts& prompts;
        TransferNetwork& network;
        RateLimiter::Clock clock = RateLimiter::steadyMilliseconds;
    };

    // Offers from peers that may wait for an answer at once; more are refused.
    static constexpr int MaxOpenQuestions = 3;
    // Offers from one source answered in a second, as PINGs are: a forged source must not
    // turn this station into a stream of refusals aimed at somebody else.
    static constexpr int OfferAnswersPerSecond = 5;
    // Files that may wait in one user's queue; a drop of more is cut there, and told.
    static constexpr int MaxQueuedFiles = 1000;
    // How long a queue waits after a refusal. A station with three questions open refuses at
    // once, and one that hears more offers a second than it answers drops them unanswered:
    // offered sooner, the next file could wait for an answer that never comes.
    static constexpr std::chrono::milliseconds QueuePauseAfterRefusal{500};

    explicit FileTransfers(Parts parts, QObject* parent = nullptr);

    void attach(CommandDispatcher& dispatcher);

    // Offers the file at path to the listed user at address; refused while a file goes out.
    void offerFile(const QString& address, const QString& path);
    // Offers several files to one user as a queue: one at a time, the next once the one
    // before has gone, failed or been refused. One file alone, with no queue to that user
    // running, is offered as offerFile() does. Folders are refused with a line.
    void offerFiles(const QString& address, const QStringList& paths);

    const OfferBook& offers() const { return m_offers; }
    int openQuestions() const { return static_cast<int>(m_questions.size()); }
    // Files still to be offered to the user at address after the one on its way.
    int queuedFiles(const QString& address) const;
    // An outgoing transfer is connected and not finished.
    bool isSending() const;
    void setIdleTimeout(std::chrono::milliseconds timeout) { m_idleTimeout = timeout; }

signals:
    // A transfer that now needs its progress window; it is deleted after it finished.
    void transferStarted(Transfer* transfer);

private:
    struct IncomingOffer {
        QString from; // where the answer goes
        QString nick;
        qint64 size = 0; // repeated in a refusal
        QString name; // repeated in an acceptance
    };

    struct SendQueue {
        QStringList waiting;
        int offered = 0; // taken from the queue so far, the one on its way included
        int count = 0; // ever put in, until the queue runs dry
        quint64 ticket = 0; // of the offer on its way; what answers an older one is stale
        QPointer<Transfer> current;
    };

    // Whether the offer went out.
    bool sendOffer(const QString& address, const QString& path, quint64 ticket = 0);
    void offerNext(const QString& address);
    // The queue's offer of this ticket was refused, or its transfer ended.
    void onQueuedDone(const QString& address, quint64 ticket);
    void follow(const QString& address, Transfer& transfer, quint64 ticket);
    void dropQueue(const QString& address, quint64 ticket);
    void onUsersLeft();
    void onSendFile(const Command& command);
    void onAcceptFile(const Command& command);
    void onRefuseFile(const Command& command);
    void onAnswered(quint64 question, bool yes);
    void onDestinationChosen(quint64 question, const QString& destination);
    void receive(const IncomingOffer& offer, const QString& destination);
    void refuse(const IncomingOffer& offer);
    void begin(Transfer* transfer);

    Parts m_parts;
    RateLimiter m_offerAnswers;
    OfferBook m_offers;
    QHash<quint64, IncomingOffer> m_questions;
    QHash<QString, SendQueue> m_queues; // by the address the files go to
    quint64 m_lastTicket = 0;
    quint64 m_lastQuestion = 0;
    std::chrono::milliseconds m_idleTimeout = Transfer::DefaultIdleTimeout;
};
