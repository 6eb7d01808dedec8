#pragma once

#include "LocalCounter.h"

#include <array>

// What became of the puts, counted on the service's thread: stored, or refused
// and why.
class PutCounters
{
public:
    enum class Refusal { Flood, Rules, Ban, Database };
    static constexpr int refusals = 4;

    void stored() { m_stored.add(); }
    void refused(Refusal why) { m_refused[size_t(why)].add(); }

    std::uint64_t storedCount() const { return m_stored.value(); }
    std::uint64_t refusedCount(Refusal why) const { return m_refused[size_t(why)].value(); }
    static const char *name(Refusal why);

private:
    LocalCounter m_stored;
    std::array<LocalCounter, refusals> m_refused;
};
