#include "MetricsServer.h"

#include "HttpResponse.h"
#include "ListeningSocket.h"
#include "RequestHead.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {
HttpLimits metricsLimits()
{
    HttpLimits limits;
    limits.maxHeadBytes = MetricsServer::maxHeadBytes;
    limits.maxHeaderLines = 32;
    limits.maxBodyBytes = 0;
    return limits;
}

ServiceReply refusal(int status)
{
    return {status, "text/plain; charset=utf-8", "richiesta rifiutata\n", {}};
}
} // namespace

MetricsServer::MetricsServer(Handler handler)
    : m_handler(std::move(handler))
    , m_limits(metricsLimits())
{
}

MetricsServer::~MetricsServer()
{
    if (m_thread.joinable()) {
        m_stopping = true;
        eventfd_write(m_wake, 1);
        m_thread.join();
    }
    for (Connection &c : m_connections)
        close(c);
    for (const int fd : {m_listener, m_wake}) {
        if (fd >= 0)
            ::close(fd);
    }
}

quint16 MetricsServer::start(const QHostAddress &address, quint16 port)
{
    m_listener = ListeningSocket::open(address, port, false);
    m_wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_listener < 0 || m_wake < 0)
        return 0;
    m_thread = std::thread([this] { run(); });
    return ListeningSocket::portOf(m_listener);
}

void MetricsServer::run()
{
    std::vector<pollfd> watched;
    std::vector<Connection *> polled;
    while (!m_stopping) {
        watched.assign({{m_wake, POLLIN, 0}, {m_listener, POLLIN, 0}});
        polled.clear();
        for (Connection &c : m_connections) {
            if (c.fd >= 0) {
                const bool writing = c.sent < c.out.size();
                watched.push_back({c.fd, short(writing ? POLLOUT : POLLIN), 0});
                polled.push_back(&c);
            }
        }
        poll(watched.data(), nfds_t(watched.size()), 250);
        const qint64 now = nowMs();
        for (size_t i = 0; i < polled.size(); ++i) {
            Connection &c = *polled[i];
            if (watched[i + 2].revents != 0)
                serve(c, watched[i + 2].revents);
            if (c.fd >= 0 && now >= c.deadlineMs)
                close(c); // too slow to ask, or to read the answer
        }
        if (watched[1].revents & POLLIN)
            acceptOne();
    }
}

void MetricsServer::acceptOne()
{
    const int fd = accept4(m_listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0)
        return;
    const auto free = std::find_if(m_connections.begin(), m_connections.end(), [](const Connection &c) { return c.fd < 0; });
    if (free == m_connections.end()) {
        ::close(fd); // over the cap: nothing is kept for it
        return;
    }
    *free = Connection();
    free->fd = fd;
    free->deadlineMs = nowMs() + timeoutSeconds * 1000;
}

void MetricsServer::serve(Connection &c, short events)
{
    if (events & (POLLERR | POLLNVAL))
        return close(c);
    if (c.out.isEmpty())
        return readFrom(c);
    if (c.sent == c.out.size())
        return drain(c);
    const ssize_t n = send(c.fd, c.out.constData() + c.sent, size_t(c.out.size() - c.sent), MSG_NOSIGNAL);
    if (n < 0 && errno != EAGAIN && errno != EINTR)
        return close(c);
    c.sent += std::max<ssize_t>(n, 0);
    // Half-closed once written, so that the answer is not lost to a reset over unread input.
    if (c.sent == c.out.size())
        shutdown(c.fd, SHUT_WR);
}

void MetricsServer::drain(Connection &c)
{
    char scratch[maxHeadBytes];
    const ssize_t n = recv(c.fd, scratch, sizeof scratch, 0);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
        close(c);
}

void MetricsServer::readFrom(Connection &c)
{
    char buffer[maxHeadBytes];
    const ssize_t n = recv(c.fd, buffer, sizeof buffer, 0);
    if (n <= 0) {
        if (n == 0 || (errno != EAGAIN && errno != EINTR))
            close(c);
        return;
    }
    c.in.append(buffer, n);
    const HeadScanner::State state = c.scanner.scan(c.in, m_limits);
    if (state == HeadScanner::State::Refused)
        return reply(c, refusal(c.scanner.refusal()));
    if (state == HeadScanner::State::Incomplete)
        return;
    const RequestHead head = RequestHead::parse(QByteArrayView(c.in).first(c.scanner.headLength()), m_limits);
    if (head.refusal != 0)
        return reply(c, refusal(head.refusal));
    const bool bodiless = head.isHead;
    reply(c, m_handler(head.isGet || bodiless, head.target.path()), bodiless);
}

void MetricsServer::reply(Connection &c, const ServiceReply &reply, bool bodiless)
{
    m_date.update(std::time(nullptr));
    const QByteArray bytes = HttpResponse::bytes(reply, false, m_date.text());
    c.out = bodiless ? HttpResponse::withoutBody(bytes) : bytes;
    c.sent = 0;
    c.in = QByteArray();
    serve(c, POLLOUT);
}

void MetricsServer::close(Connection &c)
{
    if (c.fd >= 0)
        ::close(c.fd);
    c = Connection();
}

qint64 MetricsServer::nowMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}
