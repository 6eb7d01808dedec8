#include "FloodGuard.h"

namespace {
// Past this many senders the idle ones are forgotten, so the table cannot grow without end.
constexpr qsizetype sweepThreshold = 1024;
}

FloodGuard::FloodGuard(int limit, qint64 windowMs)
    : m_limit(limit)
    , m_windowMs(windowMs)
{
}

bool FloodGuard::allows(const QString &address, qint64 nowMs)
{
    if (m_limit <= 0)
        return true;
    const auto it = m_recent.find(address);
    if (it == m_recent.end())
        return true;
    dropExpired(*it, nowMs);
    return it->size() < m_limit;
}

void FloodGuard::record(const QString &address, qint64 nowMs)
{
    if (m_limit <= 0)
        return;
    if (m_recent.size() >= sweepThreshold)
        forgetIdle(nowMs);
    QList<qint64> &times = m_recent[address];
    dropExpired(times, nowMs);
    times.append(nowMs);
}

void FloodGuard::forgetIdle(qint64 nowMs)
{
    for (auto it = m_recent.begin(); it != m_recent.end();) {
        dropExpired(*it, nowMs);
        it = it->isEmpty() ? m_recent.erase(it) : std::next(it);
    }
}

void FloodGuard::dropExpired(QList<qint64> &times, qint64 nowMs) const
{
    qsizetype expired = 0;
    while (expired < times.size() && times.at(expired) <= nowMs - m_windowMs)
        ++expired;
    times.remove(0, expired);
}
