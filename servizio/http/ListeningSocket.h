#pragma once

#include <QHostAddress>

// A non-blocking TCP listening socket on an IPv4 or IPv6 address.
class ListeningSocket
{
public:
    // The descriptor, or -1. `sharedPort`: other sockets of this process may listen
    // on the same port (SO_REUSEPORT), the kernel spreading connections over them.
    static int open(const QHostAddress &address, quint16 port, bool sharedPort);
    // The port `fd` listens on: the one the system picked when asked for 0.
    static quint16 portOf(int fd);
};
