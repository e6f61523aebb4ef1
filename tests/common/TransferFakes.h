#pragma once

#include "Recorders.h"
#include "core/protocol/CommandDispatcher.h"
#include "core/protocol/Framing.h"
#include "core/protocol/Identity.h"
#include "core/protocol/LineBudget.h"
#include "core/protocol/Roster.h"
#include "core/transfer/FileTransfers.h"
#include "core/transfer/TransferNetwork.h"
#include "core/transfer/TransferPrompts.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <functional>

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

// Keeps every question and save dialog open until the test answers it, or answers yes and
// saves where autoSave says.
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
            answered(true);
        else
            questions.append({question, std::move(answered)});
    }
    void chooseDestination(const QString& title, const QString& proposedName,
                           std::function<void(const QString&)> chosen) override
    {
        if (autoSave)
            chosen(autoSave(proposedName));
        else
            saveDialogs.append({title, proposedName, std::move(chosen)});
    }

    QList<Question> questions;
    QList<SaveDialog> saveDialogs;
    std::function<QString(const QString& proposedName)> autoSave;
};

// The file-transfer half of a station with everything around it replaced: packets are
// recorded and, when a peer is linked, delivered to it as a datagram from this address.
struct TransferStation : PacketSender {
    TransferStation(const QString& ip, TransferNetwork& network)
        : self{ip, QStringLiteral("user") + ip.section(QLatin1Char('.'), 3)}
        , transfers({self, guard, roster, *this, transcript, lines, prompts, network,
                     [this] { return now; }})
    {
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
    void receive(const QByteArray& word, const QStringList& fields, const QString& source)
    {
        deliver(Framing::commandData(word, fields), source);
    }
    void know(const QString& address, const QString& nick)
    {
        roster.setText(roster.append(Roster::keyFor(address)), nick);
    }

    Identity self;
    FakeHostAddresses hosts{{self.address}};
    Roster roster;
    AddressGuard guard{self, hosts, roster};
    qint64 now = 0;
    RecordingTranscript transcript;
    LineBudget lines{transcript, hosts, [this] { return now; }};
    ScriptedPrompts prompts;
    CommandDispatcher dispatcher;
    FileTransfers transfers;
    QList<SentPackage> sent;
    TransferStation* peer = nullptr;
};
