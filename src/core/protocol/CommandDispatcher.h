#pragma once

#include <QByteArray>
#include <QHash>
#include <QStringList>

#include <functional>

// A received command with its fields cut apart and decoded: d(0), d(1), ...
struct Command {
    QByteArray word;
    QStringList d;
    // The address of the datagram that carried it, dotted; empty when it did not come from
    // the network. Answers go here, never to an address a field names.
    QString source;

    bool has(qsizetype field) const { return field < d.size(); }
};

// Hands each received command to the one handler registered for its word (handleCommand).
// Words are compared exactly; a word nobody handles is dropped.
class CommandDispatcher final {
public:
    using Handler = std::function<void(const Command&)>;

    void on(const QByteArray& word, Handler handler);
    void handleCommand(const QByteArray& exec, const QByteArray& dat,
                       const QString& source = {}) const;

    // An empty argument has no field at all; otherwise it splits at every separator. Control
    // characters in a field become blanks (PeerText::field).
    static QStringList splitFields(const QByteArray& dat);

private:
    QHash<QByteArray, Handler> m_handlers;
};
