#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Every station speaks Windows-1250 on the wire, whatever the local locale says.
namespace WireCodec {
QByteArray encode(const QString& text);
QString decode(QByteArrayView bytes);
} // namespace WireCodec
