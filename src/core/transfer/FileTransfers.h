#pragma once

#include "OfferBook.h"
#include "Transfer.h"
#include "core/protocol/RateLimiter.h"

#include <QHash>
#include <QObject>

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

    explicit FileTransfers(Parts parts, QObject* parent = nullptr);

    void attach(CommandDispatcher& dispatcher);

    // Offers the file at path to the listed user at address.
    void offerFile(const QString& address, const QString& path);

    const OfferBook& offers() const { return m_offers; }
    int openQuestions() const { return static_cast<int>(m_questions.size()); }
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
    quint64 m_lastQuestion = 0;
    std::chrono::milliseconds m_idleTimeout = Transfer::DefaultIdleTimeout;
};
