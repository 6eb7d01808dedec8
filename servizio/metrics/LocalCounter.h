#pragma once

#include <atomic>
#include <cstdint>

// A count written by one thread only and read by any: a plain load and store,
// no locked instruction, so counting costs the writer next to nothing.
class LocalCounter
{
public:
    void add(std::uint64_t n = 1) { m_value.store(m_value.load(std::memory_order_relaxed) + n, std::memory_order_relaxed); }
    std::uint64_t value() const { return m_value.load(std::memory_order_relaxed); }

private:
    std::atomic<std::uint64_t> m_value{0};
};
