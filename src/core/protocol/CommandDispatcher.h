#pragma once

#include <QByteArray>
#include <QHash>
#include <QStringList>

#include <functional>

// A received command with its fields cut apart and decoded.
struct Command {
    QByteArray word;
    QStringList fields;
    // The address of the datagram that carried it, dotted; empty when it did not come from
    // the network. Answers go here, never to an address a field names.
    QString source;

    bool has(qsizetype field) const { return field < fields.size(); }
};

// Hands each received command to the one handler registered for its word.
// Words are compared exactly; a word nobody handles is dropped.
class CommandDispatcher final {
public:
    using Handler = std::function<void(const Command&)>;

    void on(const QByteArray& word, Handler handler);
    void handleCommand(const QByteArray& word, const QByteArray& argument,
                       const QString& source = {}) const;

    // An empty argument has no field at all; otherwise it splits at every separator. Control
    // characters in a field become blanks (PeerText::field).
    static QStringList splitFields(const QByteArray& argument);

private:
    QHash<QByteArray, Handler> m_handlers;
};
