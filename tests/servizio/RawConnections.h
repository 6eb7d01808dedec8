#pragma once

#include <QByteArray>
#include <vector>

// Plain loopback connections to the service, as many as an attack needs, each
// from a source address of 127.0.0.0/8 chosen so that caps per address can be
// aimed at or avoided. Blocking calls, each bounded by a time-out.
class RawConnections
{
public:
    ~RawConnections() { closeAll(); }

    // Opens `count` connections to `port`, `perAddress` from each source address
    // counted from 127.1.0.1 on, the first `firstHost` of them skipped; returns how many connected.
    int open(quint16 port, int count, int perAddress, int firstHost = 0);
    void sendAll(const QByteArray &bytes);
    // Waits up to `ms` for each to be closed or answered and kept alive; how many
    // the service has closed (end of stream or reset).
    int closedWithin(int ms);
    void closeAll();

    // `request` sent from `source` in pieces of `piece` bytes, then everything
    // read until the service closes (or 15 s pass).
    static QByteArray exchange(quint16 port, const QByteArray &request, int piece = 1 << 20,
                               const char *source = "127.0.0.1");

private:
    static int connectFrom(quint16 port, const char *source);

    std::vector<int> m_fds;
};
