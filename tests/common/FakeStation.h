#pragma once

#include "Recorders.h"
#include "core/protocol/AddressGuard.h"
#include "core/protocol/CommandDispatcher.h"
#include "core/protocol/Framing.h"
#include "core/protocol/Identity.h"
#include "core/protocol/LineBudget.h"
#include "core/protocol/Messages.h"
#include "core/protocol/PacketSender.h"
#include "core/protocol/Presence.h"
#include "core/protocol/Roster.h"
#include "core/transfer/FileTransfers.h"
#include "core/transfer/TransferNetwork.h"
#include "core/transfer/TransferPrompts.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>

// Records where a station would connect and never does; listens on loopback only.
class RecordingNetwork final : public TransferNetwork {
public:
    std::unique_ptr<QTcpSocket> connectTo(const QHostAddress& host, quint16 port) override
    {
        connects.append({host, port});
        return std::make_unique<QTcpSocket>();
    }
    std::unique_ptr<QTcpServer> listen() override
    {
        auto server = std::make_unique<QTcpServer>();
        server->listen(QHostAddress::LocalHost, 0);
        return server;
    }
    QList<std::pair<QHostAddress, quint16>> connects;
};

// Keeps questions and save dialogs open for the test, or saves where autoSave says.
class ScriptedPrompts final : public TransferPrompts {
public:
    struct Question {
        QString text;
        std::function<void(bool)> answer;
    };
    struct SaveDialog {
        QString title;
        QString proposed;
        std::function<void(const QString&)> choose;
    };

    void askToAccept(const QString& question, std::function<void(bool)> answered) override
    {
        if (autoSave)
            return answered(true);
        questions.append({question, std::move(answered)});
    }
    void chooseDestination(const QString& title, const QString& proposedName,
                           std::function<void(const QString&)> chosen) override
    {
        if (autoSave)
            return chosen(autoSave(proposedName));
        saveDialogs.append({title, proposedName, std::move(chosen)});
    }

    QList<Question> questions;
    QList<SaveDialog> saveDialogs;
    std::function<QString(const QString& proposedName)> autoSave;
};

struct SentPacket {
    QByteArray data;
    QStringList to; // empty: everybody
    bool operator==(const SentPacket&) const = default;
};

// One station's command handlers with fakes around; what it sends goes to a linked peer.
struct FakeStation : PacketSender {
    explicit FakeStation(const QString& address, const QString& nick = QStringLiteral("já"),
                         TransferNetwork* tcp = nullptr)
        : self{address, nick}
        , transfers(
              {self, guard, roster, *this, transcript, lines, prompts, tcp ? *tcp : network, clock})
    {
        presence.attach(dispatcher);
        messages.attach(dispatcher);
        transfers.attach(dispatcher);
    }

    bool sendPacket(const QByteArray& data, const QStringList& to) override
    {
        sent.append({data, to});
        if (peer && to.contains(peer->self.address)) {
            QMetaObject::invokeMethod(
                &peer->transfers,
                [peer = peer, data, from = self.address] { peer->deliver(data, from); },
                Qt::QueuedConnection);
        }
        return true;
    }
    void deliver(const QByteArray& data, const QString& source)
    {
        const qsizetype tab = data.indexOf('\t');
        dispatcher.handleCommand(data.left(tab), data.sliced(tab + 1).chopped(2), source);
    }
    // By default from the address the first field names, as a peer that keeps to the protocol.
    void receive(const QByteArray& word, const QStringList& fields, const QString& source = {})
    {
        deliver(Framing::commandData(word, fields), source.isNull() ? fields.value(0) : source);
    }
    void know(const QString& address, const QString& nick)
    {
        roster.setNick(roster.append(Roster::keyFor(address)), nick);
    }
    QStringList entries() const
    {
        QStringList result;
        for (int row = 0; row < roster.count(); ++row)
            result << roster.at(row).key + '=' + roster.at(row).nick + '/' + roster.at(row).icon;
        return result;
    }
    qsizetype shown(const QString& text) const
    {
        return std::count_if(transcript.lines.cbegin(), transcript.lines.cend(),
                             [&](const RecordedLine& line) { return line.text == text; });
    }

    Identity self;
    FakeHostAddresses hosts{{self.address}};
    Roster roster;
    AddressGuard guard{self, hosts, roster};
    qint64 now = 0;
    RateLimiter::Clock clock = [this] { return now; };
    RecordingTranscript transcript;
    LineBudget lines{transcript, hosts, clock};
    RecordingNotes notes;
    ScriptedPrompts prompts;
    RecordingNetwork network;
    CommandDispatcher dispatcher;
    Presence presence{self, guard, roster, lines, *this, clock};
    Messages messages{roster, guard, lines, notes, clock};
    FileTransfers transfers;
    QList<SentPacket> sent;
    FakeStation* peer = nullptr;
};
