#pragma once

#include <QString>
#include <optional>

// One run of wrk (on PATH) against a URL; the event loop keeps turning meanwhile.
struct Wrk
{
    double requestsPerSecond = 0;
    double p99Ms = 0;
    double failedPerSecond = 0; // answers other than 2xx or 3xx, and socket errors

    // Nothing, with wrk's output on standard error, when wrk gave no figures.
    static std::optional<Wrk> run(const QString &url, int connections, int seconds);
};
