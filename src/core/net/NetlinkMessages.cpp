#include "NetlinkMessages.h"

#include <cstring>
#include <linux/if_addr.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/socket.h>

namespace NetlinkMessages {
namespace {

enum class Verdict { Ignore, Change, Damaged };

// The body of a message, when it is at least as large as T.
template<typename T> bool bodyOf(QByteArrayView message, T& body)
{
    if (message.size() < qsizetype(NLMSG_LENGTH(sizeof(T))))
        return false;
    std::memcpy(&body, message.data() + NLMSG_HDRLEN, sizeof(T));
    return true;
}

Verdict judge(quint16 type, QByteArrayView message, LinkStates& links)
{
    switch (type) {
    case RTM_NEWADDR:
    case RTM_DELADDR: {
        ifaddrmsg body{};
        if (!bodyOf(message, body))
            return Verdict::Damaged;
        return body.ifa_family == AF_INET ? Verdict::Change : Verdict::Ignore;
    }
    case RTM_NEWROUTE:
    case RTM_DELROUTE: {
        rtmsg body{};
        if (!bodyOf(message, body))
            return Verdict::Damaged;
        return body.rtm_family == AF_INET ? Verdict::Change : Verdict::Ignore;
    }
    case RTM_NEWLINK:
    case RTM_DELLINK: {
        ifinfomsg body{};
        if (!bodyOf(message, body))
            return Verdict::Damaged;
        // A link that goes takes its addresses and routes with it.
        if (type == RTM_DELLINK) {
            links.remove(body.ifi_index);
            return Verdict::Change;
        }
        const unsigned state = body.ifi_flags & (IFF_UP | IFF_RUNNING);
        const auto known = links.constFind(body.ifi_index);
        if (known != links.constEnd() && *known == state)
            return Verdict::Ignore;
        links.insert(body.ifi_index, state);
        return Verdict::Change;
    }
    case NLMSG_ERROR:
    case NLMSG_OVERRUN:
        return Verdict::Damaged;
    default:
        return Verdict::Ignore;
    }
}

} // namespace

bool touchesAddresses(QByteArrayView batch, LinkStates& links)
{
    bool touched = false;
    while (!batch.isEmpty()) {
        nlmsghdr header{};
        if (batch.size() < qsizetype(sizeof header))
            return true;
        std::memcpy(&header, batch.data(), sizeof header);
        if (header.nlmsg_len < sizeof header || qsizetype(header.nlmsg_len) > batch.size())
            return true;
        switch (judge(header.nlmsg_type, batch.first(header.nlmsg_len), links)) {
        case Verdict::Damaged:
            return true;
        case Verdict::Change:
            touched = true;
            break;
        case Verdict::Ignore:
            break;
        }
        batch = batch.sliced(qMin(batch.size(), qsizetype(NLMSG_ALIGN(header.nlmsg_len))));
    }
    return touched;
}

} // namespace NetlinkMessages
