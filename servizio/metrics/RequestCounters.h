#pragma once

#include "ConnectionLimiter.h"
#include "LocalCounter.h"
#include "LocalGauge.h"
#include "LocalHistogram.h"
#include "PageKind.h"

#include <array>
#include <memory>
#include <vector>

// One event loop's counts, written by its thread alone and merged with the
// others' only when the metrics are read: answers by kind of page and status,
// their durations, the connections turned away at once and the event streams open.
class RequestCounters
{
public:
    static constexpr int statuses = 600; // 0 to 599; anything else counts as 0
    static constexpr int refusals = 2;   // the limiter's verdicts other than Admitted

    RequestCounters();

    void answered(PageKind kind, int status, qint64 elapsedNs);
    void refused(ConnectionLimiter::Verdict verdict);

    std::uint64_t answers(PageKind kind, int status) const;
    const LocalHistogram &durations(PageKind kind) const { return *m_durations[size_t(kind)]; }
    std::uint64_t refusedConnections(int refusal) const { return m_refused[size_t(refusal)].value(); }
    LocalGauge &streams() { return m_streams; }
    qint64 openStreams() const { return m_streams.value(); }

    static const QList<double> &durationBounds();

private:
    std::unique_ptr<std::array<LocalCounter, PageKinds::count * statuses>> m_answers;
    std::vector<std::unique_ptr<LocalHistogram>> m_durations; // by kind
    std::array<LocalCounter, refusals> m_refused;
    LocalGauge m_streams;
};
