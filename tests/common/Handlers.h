#pragma once

#include "Recorders.h"
#include "protocol/AddressGuard.h"
#include "protocol/CommandDispatcher.h"
#include "protocol/Framing.h"
#include "protocol/Identity.h"
#include "protocol/Messages.h"
#include "protocol/Presence.h"
#include "protocol/Roster.h"

#include <QSignalSpy>

using Lines = QList<RecordedLine>;

// The command handlers of station 10.0.0.1 ("já"), fed crafted packets, with the screen, the
// network and the clock recorded.
struct Handlers {
    Identity self{QStringLiteral("10.0.0.1"), QStringLiteral("já")};
    FakeHostAddresses hosts{{self.MyIP}};
    AddressGuard guard{self, hosts};
    qint64 now = 0;
    Roster roster;
    RecordingTranscript transcript;
    RecordingSender sender;
    RecordingNotes notes;
    CommandDispatcher dispatcher;
    Presence presence{self, guard, roster, transcript, sender, [this] { return now; }};
    Messages messages{roster, guard, transcript, notes, [this] { return now; }};
    QSignalSpy counts{&presence, &Presence::userCountChanged};
    QSignalSpy attention{&messages, &Messages::attentionRequested};

    Handlers()
    {
        presence.attach(dispatcher);
        messages.attach(dispatcher);
    }

    // From the address the first field names, as a peer that keeps to the protocol sends it.
    void receive(const QByteArray& word, const QStringList& fields, QString source = {})
    {
        const QByteArray data = Framing::commandData(word, fields);
        dispatcher.HandleCommand(word, data.sliced(word.size() + 1).chopped(2),
                                 source.isNull() ? fields.value(0) : source);
    }
    void know(const QString& address, const QString& nick)
    {
        roster.setText(roster.append(Roster::keyFor(address)), nick);
    }
    // "ip10.0.0.7=pc12/user" for each entry.
    QStringList entries() const
    {
        QStringList result;
        for (int row = 0; row < roster.count(); ++row)
            result << roster.at(row).key + '=' + roster.at(row).text + '/' + roster.at(row).icon;
        return result;
    }
    QString lastCount() const
    {
        return counts.isEmpty() ? QString() : counts.last().at(0).toString();
    }
};
