#pragma once

#include <QHostAddress>
#include <QString>
#include <optional>

// Whether the service may listen on an address and port, asked before the archive
// opens, so that a service that cannot start leaves no database behind. The
// service's own sockets share their port (SO_REUSEPORT), which would let a second
// service listen silently beside the first; the probe shares nothing, so any other
// socket on the port refuses it.
class ListenProbe
{
public:
    // Why nobody can listen there now, in Italian; nothing when the way is free
    // (always so for port 0, which the service picks itself).
    static std::optional<QString> refusal(const QHostAddress &address, quint16 port);
};
