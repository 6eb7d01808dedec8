#include "ConnectionLimiter.h"

#include <algorithm>

ConnectionLimiter::ConnectionLimiter(int maxConnections, int maxPerAddress, const ClientAddressResolver &proxies)
    : m_maxConnections(maxConnections)
    , m_maxPerAddress(maxPerAddress)
    , m_proxies(proxies)
{
}

ConnectionLimiter::Verdict ConnectionLimiter::admit(const QHostAddress &peer)
{
    if (m_open.fetch_add(1, std::memory_order_relaxed) >= m_maxConnections) {
        m_open.fetch_sub(1, std::memory_order_relaxed);
        return Verdict::OverTotal;
    }
    if (!isCapped(peer))
        return Verdict::Admitted;
    const std::lock_guard lock(m_mutex);
    int &count = m_perAddress[counted(peer)];
    if (count < m_maxPerAddress) {
        ++count;
        return Verdict::Admitted;
    }
    m_open.fetch_sub(1, std::memory_order_relaxed);
    return Verdict::OverPerAddress;
}

void ConnectionLimiter::release(const QHostAddress &peer)
{
    m_open.fetch_sub(1, std::memory_order_relaxed);
    if (!isCapped(peer))
        return;
    const std::lock_guard lock(m_mutex);
    const auto it = m_perAddress.find(counted(peer));
    if (it != m_perAddress.end() && --*it == 0)
        m_perAddress.erase(it);
}

QHostAddress ConnectionLimiter::counted(const QHostAddress &peer)
{
    bool isV4 = false;
    const quint32 v4 = peer.toIPv4Address(&isV4);
    if (isV4)
        return QHostAddress(v4);
    Q_IPV6ADDR prefix = peer.toIPv6Address();
    std::fill(prefix.c + 8, prefix.c + 16, quint8(0));
    return QHostAddress(prefix);
}
