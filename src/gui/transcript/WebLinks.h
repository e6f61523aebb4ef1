#pragma once

#include <QList>
#include <QStringView>
#include <QUrl>

// Web addresses in a line: what starts with http://, https://, ftp:// or www. and runs to the
// next blank, less the punctuation a sentence puts after it. Nothing else a peer writes is
// taken for an address, so no other scheme can ever be clicked.
namespace WebLinks {
struct Span {
    qsizetype start = 0;
    qsizetype length = 0;

    bool operator==(const Span&) const = default;
};
QList<Span> find(QStringView text);
// What a click on the address opens (www. goes over http); invalid for anything that is not
// an http, https or ftp address with a host.
QUrl target(QStringView address);
} // namespace WebLinks
