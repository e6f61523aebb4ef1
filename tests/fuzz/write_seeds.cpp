// Writes the seed corpus: every command as stations send it, from the sources that matter for
// it, and a few exchanges of several datagrams.
//   write_seeds DIR
#include "ReceiveStage.h"
#include "protocol/Framing.h"

#include <QDir>
#include <QFile>

namespace {

enum From { Peer = 0, OtherPeer = 1, Own = 2, Loopback = 3, Broadcast = 4 };

QByteArray packet(const QByteArray& word, const QStringList& fields)
{
    return *Framing::framePacket(Framing::commandData(word, fields));
}

QByteArray from(From source, const QByteArray& datagram, int quarterSeconds = 0)
{
    return Record{quint8(source | (quarterSeconds << 3)), datagram}.encoded();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const QByteArray logon = packet("LOGON", {"10.0.0.7", "pc12", "user"});
    const QByteArray ownLogon = packet("LOGON", {"10.0.0.1", "já", "user"});
    const QByteArray ping = packet("PING", {"10.0.0.7", "pc12"});
    const QByteArray note = packet("MSGBOX", {"10.0.0.7", "pc12", "přijď"});
    const QList<std::pair<const char*, QByteArray>> seeds{
        {"logon", from(Peer, logon)},
        {"ptoing", from(Peer, packet("PTOING", {"10.0.0.7", "pc12", "user"}))},
        {"ping", from(Peer, ping)},
        {"ping-third-address", from(Peer, packet("PING", {"10.0.0.9", "pc12"}))},
        {"ping-from-broadcast", from(Broadcast, ping)},
        {"logoff", from(Peer, logon) + from(Peer, packet("LOGOFF", {"10.0.0.7"}))},
        {"logoff-spoofed", from(Own, ownLogon) + from(Peer, packet("LOGOFF", {"10.0.0.1"}))},
        {"msg", from(Peer, logon) + from(Peer, packet("MSG", {"10.0.0.7", "ahoj\r\n[12:00]"}))},
        {"own-msg", from(Loopback, ownLogon) + from(Loopback, packet("MSG", {"10.0.0.1", "ahoj"}))},
        {"alert", from(Peer, packet("ALERT", {"10.0.0.7", "pc12", "mává"}))},
        {"msgbox", from(Peer, note)},
        {"popit", from(Peer, packet("POPIT", {"Jana"})) + from(Peer, packet("POPIT", {"Jana"}), 8)},
        {"two-in-one", from(Peer, logon + ping)},
        {"split", from(Peer, logon.first(10)) + from(Peer, logon.sliced(10))},
        {"zero-in-text",
         from(Peer, logon) +
             from(Peer, packet("MSG", {"10.0.0.7", "a"}).replace("a", QByteArray(1, '\0')))},
    };
    QByteArray notes;
    for (int i = 0; i < 7; ++i)
        notes += from(Peer, note);
    bool written = true;
    for (const auto& [name, bytes] :
         seeds + QList<std::pair<const char*, QByteArray>>{{"notes", notes}}) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        written = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && written;
    }
    return written ? 0 : 1;
}
