#pragma once

#include <QHash>
#include <QHostAddress>
#include <atomic>
#include <mutex>

// Counts the open connections of every event loop together, in all and per
// address. Asked only when a connection opens or closes, never per request.
class ConnectionLimiter
{
public:
    // `maxPerAddress` 0: no limit per address.
    ConnectionLimiter(int maxConnections, int maxPerAddress);

    // True when `peer` may open one more; it then counts until release().
    bool admit(const QHostAddress &peer);
    void release(const QHostAddress &peer);

private:
    // The one place to let an address (a trusted proxy, say) past the per-address cap.
    bool isCapped(const QHostAddress &) const { return m_maxPerAddress > 0; }

    const int m_maxConnections;
    const int m_maxPerAddress;
    std::atomic<int> m_open{0};
    std::mutex m_mutex;
    QHash<QHostAddress, int> m_perAddress; // only addresses with connections open
};
