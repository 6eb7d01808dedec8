#pragma once

#include "LocalCounter.h"

#include <QList>
#include <array>

// Durations in buckets, written by one thread only and read by any. Buckets
// count apart here and are cumulated only when they are shown.
class LocalHistogram
{
public:
    static constexpr int maxBounds = 15;

    // What one or several histograms with the same bounds hold.
    struct Totals
    {
        QList<double> boundsSeconds;
        QList<std::uint64_t> counts; // per bound, then beyond the last one
        std::uint64_t sumNs = 0;
    };

    // Ascending upper bounds in seconds, at most maxBounds of them.
    explicit LocalHistogram(const QList<double> &boundsSeconds);

    void observe(qint64 ns);
    const QList<double> &boundsSeconds() const { return m_boundsSeconds; }
    static Totals zero(const QList<double> &boundsSeconds);
    void addTo(Totals &totals) const;

private:
    QList<double> m_boundsSeconds;
    std::array<qint64, maxBounds> m_boundsNs{};
    std::array<LocalCounter, maxBounds + 1> m_buckets;
    LocalCounter m_sumNs;
};
