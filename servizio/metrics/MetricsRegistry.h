#pragma once

#include "RequestCounters.h"
#include "ServiceMetrics.h"

#include <QByteArray>
#include <memory>
#include <mutex>
#include <vector>

class ConnectionLimiter;
class Exposition;
class RequestLog;

// Every count of the service, each written where it happens and merged only here,
// when the metrics are read.
class MetricsRegistry
{
public:
    // A block of its own for one event loop, kept as long as the registry.
    RequestCounters &addWorker();
    ServiceMetrics &service() { return m_service; }
    // Read when the metrics are: they must outlive every reading.
    void readHttpFrom(const ConnectionLimiter &limiter, const RequestLog &log);

    bool ready() const { return m_service.database.up(); }
    // The whole exposition; from any thread.
    QByteArray exposition() const;

private:
    void writeRequests(Exposition &out) const;
    void writeConnections(Exposition &out) const;
    void writePuts(Exposition &out) const;
    void writeDatabase(Exposition &out) const;
    static void writeProcess(Exposition &out);

    mutable std::mutex m_mutex; // guards the list of blocks, not what they count
    std::vector<std::unique_ptr<RequestCounters>> m_workers;
    ServiceMetrics m_service;
    const ConnectionLimiter *m_limiter = nullptr;
    const RequestLog *m_log = nullptr;
};
