#pragma once

#include <QString>

// Who this station is on the network; the station owns it, the handlers read it.
struct Identity {
    QString address;
    QString nick;
    QString icon = QStringLiteral("user");
};
