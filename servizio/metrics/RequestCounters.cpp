#include "RequestCounters.h"

RequestCounters::RequestCounters()
    : m_answers(std::make_unique<std::array<LocalCounter, PageKinds::count * statuses>>())
{
    for (int kind = 0; kind < PageKinds::count; ++kind)
        m_durations.push_back(std::make_unique<LocalHistogram>(durationBounds()));
}

void RequestCounters::answered(PageKind kind, int status, qint64 elapsedNs)
{
    (*m_answers)[size_t(int(kind) * statuses + (status >= 0 && status < statuses ? status : 0))].add();
    m_durations[size_t(kind)]->observe(elapsedNs);
}

void RequestCounters::refused(ConnectionLimiter::Verdict verdict)
{
    if (verdict != ConnectionLimiter::Verdict::Admitted)
        m_refused[size_t(verdict) - 1].add();
}

std::uint64_t RequestCounters::answers(PageKind kind, int status) const
{
    return (*m_answers)[size_t(int(kind) * statuses + status)].value();
}

const QList<double> &RequestCounters::durationBounds()
{
    // A poll takes well under a millisecond, a put waits for a commit.
    static const QList<double> bounds{0.0001, 0.00025, 0.0005, 0.001, 0.0025, 0.005, 0.01, 0.025, 0.05, 0.1,
                                      0.25,   0.5,     1,      2.5,   10};
    return bounds;
}
