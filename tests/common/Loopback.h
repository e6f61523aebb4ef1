#pragma once

#include <QUdpSocket>

// A UDP port nobody uses now, for a station on loopback away from the real chat.
inline quint16 freeUdpPort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::AnyIPv4, 0);
    return probe.localPort();
}
