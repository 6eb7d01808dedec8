#include "HttpServer.h"

#include "ListeningSocket.h"
#include "MetricsRegistry.h"

#include <thread>

HttpServer::HttpServer(const HttpLimits &limits, const ClientAddressResolver &clients, const RoomPages &pages,
                       const EventLoopWorker::PutHandler &put, const ApiService &api,
                       SubscriberRegistry &subscribers, MetricsRegistry *metrics)
    : m_limits(limits)
    , m_clients(clients)
    , m_pages(pages)
    , m_put(put)
    , m_api(api)
    , m_subscribers(subscribers)
    , m_limiter(limits.maxConnections, limits.maxPerAddress, clients)
    , m_bodies(qint64(limits.bodyBufferKb) * 1024)
    , m_refusals(limits)
    , m_log(qsizetype(limits.logBufferKb) * 1024)
    , m_metrics(metrics)
{
    if (m_metrics)
        m_metrics->readHttpFrom(m_limiter, m_log);
}

HttpServer::~HttpServer() = default;

quint16 HttpServer::start(const QHostAddress &address, quint16 port)
{
    const int threads = m_limits.threads > 0 ? m_limits.threads : int(std::max(1u, std::thread::hardware_concurrency()));
    const EventLoopWorker::Context context{m_limits, m_limiter, m_clients, m_pages, m_log, m_refusals, m_put, m_api, m_subscribers, m_bodies};
    for (int i = 0; i < threads; ++i) {
        const int fd = ListeningSocket::open(address, port, true);
        if (fd < 0)
            return 0;
        port = ListeningSocket::portOf(fd); // the others join the port the first one got
        m_workers.push_back(
            std::make_unique<EventLoopWorker>(context, fd, m_metrics ? &m_metrics->addWorker() : nullptr));
    }
    return port;
}

void HttpServer::stop()
{
    for (const auto &worker : m_workers)
        worker->stop();
}
