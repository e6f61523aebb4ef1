#include "CommandDispatcher.h"

#include "Framing.h"
#include "PeerText.h"
#include "WireCodec.h"

void CommandDispatcher::on(const QByteArray& word, Handler handler)
{
    m_handlers.emplace(word, std::move(handler));
}

void CommandDispatcher::handleCommand(const QByteArray& word, const QByteArray& argument,
                                      const QString& source) const
{
    const auto handler = m_handlers.constFind(word);
    if (handler == m_handlers.cend())
        return;
    (*handler)(Command{word, splitFields(argument), source});
}

QStringList CommandDispatcher::splitFields(const QByteArray& argument)
{
    QStringList fields;
    if (argument.isEmpty())
        return fields;
    const QList<QByteArray> parts = argument.split(Framing::FieldSeparator);
    fields.reserve(parts.size());
    // Made safe once, here, for everything that shows or keeps them.
    for (const QByteArray& part : parts)
        fields.append(PeerText::field(WireCodec::decode(part)));
    return fields;
}
