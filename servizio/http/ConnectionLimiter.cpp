#include "ConnectionLimiter.h"

ConnectionLimiter::ConnectionLimiter(int maxConnections, int maxPerAddress, const ClientAddressResolver &proxies)
    : m_maxConnections(maxConnections)
    , m_maxPerAddress(maxPerAddress)
    , m_proxies(proxies)
{
}

bool ConnectionLimiter::admit(const QHostAddress &peer)
{
    if (m_open.fetch_add(1, std::memory_order_relaxed) >= m_maxConnections) {
        m_open.fetch_sub(1, std::memory_order_relaxed);
        return false;
    }
    if (!isCapped(peer))
        return true;
    const std::lock_guard lock(m_mutex);
    int &count = m_perAddress[peer];
    if (count < m_maxPerAddress) {
        ++count;
        return true;
    }
    m_open.fetch_sub(1, std::memory_order_relaxed);
    return false;
}

void ConnectionLimiter::release(const QHostAddress &peer)
{
    m_open.fetch_sub(1, std::memory_order_relaxed);
    if (!isCapped(peer))
        return;
    const std::lock_guard lock(m_mutex);
    const auto it = m_perAddress.find(peer);
    if (it != m_perAddress.end() && --*it == 0)
        m_perAddress.erase(it);
}
