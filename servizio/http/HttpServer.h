#pragma once

#include "ByteBudget.h"
#include "ClientAddressResolver.h"
#include "ConnectionLimiter.h"
#include "EventLoopWorker.h"
#include "HttpLimits.h"
#include "RefusalPages.h"
#include "RequestLog.h"

#include <QHostAddress>
#include <memory>
#include <vector>

class MetricsRegistry;

// The service's HTTP/1.1 side: one event loop per thread, each listening on the
// same port (SO_REUSEPORT), all under the same limits and connection caps.
class HttpServer
{
public:
    // `clients` names the trusted proxies: their X-Forwarded-For is believed, and
    // the cap per address does not hold for them (the total cap does). With
    // `metrics` every event loop counts what it does there; null: nothing is counted.
    HttpServer(const HttpLimits &limits, const ClientAddressResolver &clients, const RoomPages &pages,
               const EventLoopWorker::PutHandler &put, const ApiService &api, SubscriberRegistry &subscribers,
               MetricsRegistry *metrics);
    ~HttpServer();

    // The port listened on (the one picked when `port` is 0), or 0 on failure.
    quint16 start(const QHostAddress &address, quint16 port);
    // Stops every event loop; answers handed over later are kept, unsent, until destruction.
    void stop();

private:
    const HttpLimits m_limits;
    const ClientAddressResolver &m_clients;
    const RoomPages &m_pages;
    const EventLoopWorker::PutHandler m_put;
    const ApiService &m_api;
    SubscriberRegistry &m_subscribers;
    ConnectionLimiter m_limiter;
    ByteBudget m_bodies;
    const RefusalPages m_refusals;
    RequestLog m_log;
    MetricsRegistry *const m_metrics;
    std::vector<std::unique_ptr<EventLoopWorker>> m_workers; // last: they use all of the above
};
