#include "HttpServer.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

HttpServer::HttpServer(const HttpLimits &limits, const ClientAddressResolver &clients, const RoomPages &pages,
                       const EventLoopWorker::PutHandler &put, const ApiService &api,
                       SubscriberRegistry &subscribers)
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
{
}

HttpServer::~HttpServer() = default;

quint16 HttpServer::start(const QHostAddress &address, quint16 port)
{
    const int threads = m_limits.threads > 0 ? m_limits.threads : int(std::max(1u, std::thread::hardware_concurrency()));
    const EventLoopWorker::Context context{m_limits, m_limiter, m_clients, m_pages, m_log, m_refusals, m_put, m_api, m_subscribers, m_bodies};
    for (int i = 0; i < threads; ++i) {
        const int fd = listenOn(address, port);
        if (fd < 0)
            return 0;
        port = portOf(fd); // the others join the port the first one got
        m_workers.push_back(std::make_unique<EventLoopWorker>(context, fd));
    }
    return port;
}

void HttpServer::stop()
{
    for (const auto &worker : m_workers)
        worker->stop();
}

int HttpServer::listenOn(const QHostAddress &address, quint16 port)
{
    sockaddr_storage storage{};
    socklen_t length = 0;
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    if (isV4 && address.protocol() == QAbstractSocket::IPv4Protocol) {
        auto *in = reinterpret_cast<sockaddr_in *>(&storage);
        in->sin_family = AF_INET;
        in->sin_port = htons(port);
        in->sin_addr.s_addr = htonl(v4);
        length = sizeof *in;
    } else {
        auto *in6 = reinterpret_cast<sockaddr_in6 *>(&storage);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(port);
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(&in6->sin6_addr, bytes.c, sizeof bytes.c);
        length = sizeof *in6;
    }
    const int fd = socket(storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int on = 1;
    if (fd >= 0 && setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0
        && setsockopt(fd, SOL_SOCKET, SO_REUSEPORT, &on, sizeof on) == 0
        && bind(fd, reinterpret_cast<const sockaddr *>(&storage), length) == 0 && listen(fd, SOMAXCONN) == 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

quint16 HttpServer::portOf(int fd)
{
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    getsockname(fd, reinterpret_cast<sockaddr *>(&storage), &length);
    return storage.ss_family == AF_INET ? ntohs(reinterpret_cast<const sockaddr_in *>(&storage)->sin_port)
                                        : ntohs(reinterpret_cast<const sockaddr_in6 *>(&storage)->sin6_port);
}
