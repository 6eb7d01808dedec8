#pragma once

#include <QtGlobal>
#include <atomic>

// A level moved by one thread only and read by any, like LocalCounter: the open
// event streams of one event loop.
class LocalGauge
{
public:
    void add(qint64 delta) { m_value.store(m_value.load(std::memory_order_relaxed) + delta, std::memory_order_relaxed); }
    qint64 value() const { return m_value.load(std::memory_order_relaxed); }

private:
    std::atomic<qint64> m_value{0};
};
