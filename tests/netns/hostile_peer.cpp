// A station that does not keep to the rules, and the third party it tries to aim the victim at.
//   hostile_peer flood SELF VICTIM THIRD   floods VICTIM, then says "konec útoku" and ends
//   hostile_peer listen VICTIM SELF        reports "PTOING ms" for every PTOING from VICTIM;
//                                          the line "ping" on stdin sends a PING as a peer does
// ms is the time since that PING, or -1 before it.
#include "protocol/Framing.h"
#include "protocol/WireCodec.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QSocketNotifier>
#include <QThread>
#include <QUdpSocket>

#include <cstdio>
#include <unistd.h>

namespace {

constexpr quint16 Port = 1705;

// Built by hand: the fields may hold what a well-behaved station would never send.
QByteArray packet(const QByteArray& word, const QList<QByteArray>& fields)
{
    return *Framing::framePacket(word + '\t' + fields.join('\v') + "\r\n");
}

void report(const QByteArray& line)
{
    std::fputs((line + '\n').constData(), stdout);
    std::fflush(stdout);
}

int flood(const QByteArray& self, const QByteArray& victim, const QByteArray& third)
{
    QUdpSocket socket;
    const QHostAddress to(QString::fromLatin1(victim));
    const auto send = [&](const QByteArray& datagram) { socket.writeDatagram(datagram, to, Port); };
    const QByteArray nick = WireCodec::encode(QStringLiteral("zlý"));
    const QByteArray huge(32000, 'N');
    const QByteArray markup =
        "<img src=\"/dev/zero\"><h1>velk\xE1</h1><a href=\"http://x\">odkaz</a>";
    send(packet("LOGON", {self, nick, "user"}));
    for (int round = 0; round < 1000; ++round) {
        send(packet("MSGBOX", {self, nick, markup}));
        send(packet("POPIT", {nick}));
        send(packet("PING", {third, nick}));
        send(packet("PING", {"255.255.255.255", nick}));
        send(packet("MSG", {self, "ahoj\r\n[12:00:00]<ob\xEC\x9D>podvrh"}));
        // The victim's own address, from here.
        send(packet("LOGON", {victim, "podvrh", "user"}));
        send(packet("PTOING", {victim, "podvrh", "user"}));
        send(packet("PING", {victim, "podvrh"}));
        send(packet("MSG", {victim, "mluv\xEDm za tebe"}));
        send(packet("ALERT", {victim, "podvrh", "mluv\xEDm za tebe"}));
        send(packet("MSGBOX", {victim, "podvrh", "mluv\xEDm za tebe"}));
        send(packet("LOGOFF", {victim}));
        if (round % 10 == 0) {
            send(packet("LOGON", {self, huge, "user"}));
            send(packet("PING", {self, huge + 'x'}));
        }
    }
    // Said a few times: under a flood of its own, one datagram may not make it.
    for (int i = 0; i < 5; ++i) {
        send(packet("MSG", {self, WireCodec::encode(QStringLiteral("konec útoku"))}));
        QThread::msleep(200);
    }
    return 0;
}

int listen(QCoreApplication& app, const QHostAddress& victim, const QByteArray& self)
{
    QUdpSocket socket;
    if (!socket.bind(QHostAddress::AnyIPv4, Port))
        return 1;
    QElapsedTimer sincePing;
    QObject::connect(&socket, &QUdpSocket::readyRead, &app, [&] {
        while (socket.hasPendingDatagrams()) {
            const QNetworkDatagram datagram = socket.receiveDatagram();
            if (datagram.senderAddress() == victim && datagram.data().contains("PTOING\t"))
                report("PTOING " +
                       QByteArray::number(sincePing.isValid() ? sincePing.elapsed() : -1));
        }
    });
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char line[64];
        if (::read(STDIN_FILENO, line, sizeof line) <= 0) {
            app.quit();
            return;
        }
        sincePing.start();
        socket.writeDatagram(packet("PING", {self, "treti"}), QHostAddress::Broadcast, Port);
    });
    report("READY");
    return app.exec();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args[1] == QLatin1String("flood"))
        return flood(args[2].toLatin1(), args[3].toLatin1(), args[4].toLatin1());
    if (args.size() == 4 && args[1] == QLatin1String("listen"))
        return listen(app, QHostAddress(args[2]), args[3].toLatin1());
    return 2;
}
