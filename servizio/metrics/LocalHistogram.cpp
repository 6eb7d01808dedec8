#include "LocalHistogram.h"

#include <cmath>

LocalHistogram::LocalHistogram(const QList<double> &boundsSeconds)
    : m_boundsSeconds(boundsSeconds.first(std::min<qsizetype>(boundsSeconds.size(), maxBounds)))
{
    for (qsizetype i = 0; i < m_boundsSeconds.size(); ++i)
        m_boundsNs[size_t(i)] = std::llround(m_boundsSeconds.at(i) * 1e9);
}

void LocalHistogram::observe(qint64 ns)
{
    size_t bucket = 0;
    const size_t bounds = size_t(m_boundsSeconds.size());
    while (bucket < bounds && ns > m_boundsNs[bucket])
        ++bucket;
    m_buckets[bucket].add();
    m_sumNs.add(std::uint64_t(std::max<qint64>(ns, 0)));
}

LocalHistogram::Totals LocalHistogram::zero(const QList<double> &boundsSeconds)
{
    return {boundsSeconds, QList<std::uint64_t>(boundsSeconds.size() + 1, 0), 0};
}

void LocalHistogram::addTo(Totals &totals) const
{
    for (qsizetype i = 0; i < totals.counts.size(); ++i)
        totals.counts[i] += m_buckets[size_t(i)].value();
    totals.sumNs += m_sumNs.value();
}
