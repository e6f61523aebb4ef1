#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Every station speaks Windows-1250 on the wire, whatever the local locale says.
namespace WireCodec {

// The text with every typographic character that the code page lacks but has an obvious
// equivalent for (a hyphen, figure dash, minus, thin space, prime) replaced by that
// equivalent; one character for one, so a line never grows on the wire. Everything else is
// left as it is.
QString withStandIns(QStringView text);

struct Encoded {
    QByteArray bytes;
    // Characters with neither a place in the code page nor a stand-in: each went out as "?".
    qsizetype replaced = 0;
};
// What goes on the wire for the text, stand-ins included. The composer warns by the same
// count, so what it promises and what is sent never disagree.
Encoded encodeCounting(QStringView text);
QByteArray encode(QStringView text);

QString decode(QByteArrayView bytes);

} // namespace WireCodec
