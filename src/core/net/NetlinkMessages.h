#pragma once

#include <QByteArrayView>
#include <QHash>

// What the kernel's route socket says, reduced to the one question the station has: can this
// host's own IPv4 addresses, or the one its datagrams leave with, have changed?
//
// A read from the socket holds whole messages back to back, each a header (length, type,
// flags, sequence, sender) and a body padded to four bytes. The station listens to:
//   address added/removed (body: family, prefix, flags, scope, interface index)
//   route added/removed   (body: family, lengths, tos, table, protocol, scope, type, flags)
//   link new/removed      (body: family, type, interface index, flags, change mask)
namespace NetlinkMessages {

// Each link's up and running flags as the messages last told them, by interface index. A
// wireless driver repeats its link's state many times a minute; only a change counts.
using LinkStates = QHash<int, unsigned>;

// True when anything in the batch may move the addresses. A damaged batch also says true:
// reading the addresses again costs little, missing a change costs the station its address.
bool touchesAddresses(QByteArrayView batch, LinkStates& links);

} // namespace NetlinkMessages
