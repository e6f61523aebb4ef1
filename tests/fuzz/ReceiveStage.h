#pragma once

// The receive path of one station without its sockets: per-source receive buffers, the
// dispatcher and the real command handlers, with recording stand-ins for the screen, the
// network and the user's answers to file questions.

#include "Recorders.h"
#include "TransferFakes.h"
#include "core/protocol/AddressGuard.h"
#include "core/protocol/CommandDispatcher.h"
#include "core/protocol/Identity.h"
#include "core/protocol/LineBudget.h"
#include "core/protocol/Messages.h"
#include "core/protocol/Presence.h"
#include "core/protocol/ReceiveBuffer.h"
#include "core/protocol/Roster.h"

#include <array>

// Who a datagram may come from: peers, this host, and addresses that are no one station.
inline const std::array<QString, 8> Sources{
    QStringLiteral("10.0.0.7"),  QStringLiteral("10.0.0.8"),        QStringLiteral("10.0.0.1"),
    QStringLiteral("127.0.0.1"), QStringLiteral("255.255.255.255"), QStringLiteral("10.0.0.255"),
    QStringLiteral("224.0.0.1"), QStringLiteral("0.0.0.0")};

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

struct ReceiveStage {
    Identity self{QStringLiteral("10.0.0.1"), QStringLiteral("já")};
    FakeHostAddresses hosts{{self.address}};
    Roster roster;
    AddressGuard guard{self, hosts, roster};
    qint64 now = 1'000'000;
    RateLimiter::Clock clock = [this] { return now; };
    RecordingTranscript transcript;
    LineBudget lines{transcript, hosts, clock};
    RecordingSender sender;
    RecordingNotes notes;
    CommandDispatcher dispatcher;
    Presence presence{self, guard, roster, lines, sender, clock};
    Messages messages{roster, guard, lines, notes, clock};
    ReceiveBuffers buffers;
    RecordingNetwork network;
    ScriptedPrompts prompts;
    FileTransfers transfers{
        {self, guard, roster, sender, transcript, lines, prompts, network, clock}};

    ReceiveStage()
    {
        presence.attach(dispatcher);
        messages.attach(dispatcher);
        transfers.attach(dispatcher);
        messages.setAttentionResponse(Messages::AttentionResponse::RestoreWindow);
    }
};
