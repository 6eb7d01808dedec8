#pragma once

#include "ClientAddressResolver.h"

#include <QHash>
#include <QHostAddress>
#include <atomic>
#include <mutex>

// Counts the open connections of every event loop together, in all and per
// address. Asked only when a connection opens or closes, never per request.
class ConnectionLimiter
{
public:
    // `maxPerAddress` 0: no limit per address. Trusted proxies carry many
    // clients each: the limit per address does not hold for them.
    ConnectionLimiter(int maxConnections, int maxPerAddress, const ClientAddressResolver &proxies);

    enum class Verdict { Admitted, OverTotal, OverPerAddress };

    // Admitted when `peer` may open one more; it then counts until release().
    Verdict admit(const QHostAddress &peer);
    void release(const QHostAddress &peer);
    int open() const { return m_open.load(std::memory_order_relaxed); }

private:
    bool isCapped(const QHostAddress &peer) const { return m_maxPerAddress > 0 && !m_proxies.isTrusted(peer); }
    // An IPv4 address, or an IPv6 /64: one client is commonly given a whole /64.
    static QHostAddress counted(const QHostAddress &peer);

    const int m_maxConnections;
    const int m_maxPerAddress;
    const ClientAddressResolver &m_proxies;
    std::atomic<int> m_open{0};
    std::mutex m_mutex;
    QHash<QHostAddress, int> m_perAddress; // by counted(); only those with connections open
};
