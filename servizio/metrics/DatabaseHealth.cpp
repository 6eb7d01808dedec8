#include "DatabaseHealth.h"

#include <ctime>

void DatabaseHealth::report(bool reachable)
{
    m_reachable.store(reachable, std::memory_order_relaxed);
    m_reportedMs.store(nowMs(), std::memory_order_relaxed);
}

bool DatabaseHealth::up() const
{
    const qint64 reported = m_reportedMs.load(std::memory_order_relaxed);
    return reported != 0 && m_reachable.load(std::memory_order_relaxed) && nowMs() - reported < staleMs;
}

qint64 DatabaseHealth::nowMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}
