#pragma once

#include <QByteArray>
#include <vector>

// Plain loopback connections to the service, as many as an attack needs, from
// source addresses of 127.0.0.0/8 chosen to aim at caps per address or avoid them.
// Blocking calls, each bounded by a time-out.
class RawConnections
{
public:
    ~RawConnections() { closeAll(); }

    // `count` connections, `perAddress` from each source counted from 127.1.0.1 on, the first
    // `firstHost` of them skipped; how many connected.
    int open(quint16 port, int count, int perAddress, int firstHost = 0);
    void sendAll(const QByteArray &bytes);
    // How many the service closes within `ms`; those answered and kept alive stop being waited for.
    int closedWithin(int ms);
    void closeAll();
    // `request` sent in pieces of `piece` bytes, then, if `finish`, the end of sending (a half-close);
    // then all read until the service closes (or 15 s pass).
    static QByteArray exchange(quint16 port, const QByteArray &request, int piece = 1 << 20, bool finish = false);
    // A blocking socket from `source` to the service, or -1; `receiveBuffer` 0: the system's.
    static int connectFrom(quint16 port, const char *source, int receiveBuffer = 0);

private:
    std::vector<int> m_fds;
};
