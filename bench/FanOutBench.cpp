#include "FanOutBench.h"

#include "RawConnections.h"
#include "ServiceProcess.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <future>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
constexpr int perAddress = 50;
const QByteArray request = "GET /api/v1/rooms/stanza1/events HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
} // namespace

FanOutBench::FanOutBench(quint16 port, qint64 servicePid)
    : m_port(port)
    , m_pid(servicePid)
    , m_epoll(epoll_create1(EPOLL_CLOEXEC))
{
}

FanOutBench::~FanOutBench()
{
    for (const int fd : m_fds)
        ::close(fd);
    ::close(m_epoll);
}

bool FanOutBench::subscribe(int count)
{
    m_baseKb = ServiceProcess::residentKbOf(m_pid);
    for (int i = 0; i < count; ++i) {
        const int host = 2 + i / perAddress;
        const QByteArray source = "127.0." + QByteArray::number(host / 250) + '.' + QByteArray::number(host % 250);
        const int fd = RawConnections::connectFrom(m_port, source.constData());
        if (fd < 0 || send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL) != request.size()) {
            std::fprintf(stderr, "bench_servizio: subscriber %d of %d did not connect\n", i + 1, count);
            return false;
        }
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        epoll_event event{EPOLLIN, {}};
        event.data.u32 = uint32_t(m_fds.size());
        epoll_ctl(m_epoll, EPOLL_CTL_ADD, fd, &event);
        m_fds.push_back(fd);
    }
    const size_t missing = untilAllHave("text/event-stream");
    if (missing > 0)
        std::fprintf(stderr, "bench_servizio: %zu subscribers got no stream\n", missing);
    return missing == 0;
}

std::optional<double> FanOutBench::fanOutP99Ms(int puts)
{
    std::vector<double> times;
    for (int i = 0; i < puts; ++i) {
        const QByteArray target = ServiceProcess::putTarget(QStringLiteral("putmsgchat1.asp"), QStringLiteral("bench"),
                                                            QStringLiteral("a tutti, numero %1").arg(i));
        QElapsedTimer clock;
        clock.start();
        auto put = std::async(std::launch::async, [this, target] { return ServiceProcess::get(m_port, target).status; });
        const size_t missing = untilAllHave("data: ");
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
        const int status = put.get();
        if (status != 200 || missing > 0) {
            std::fprintf(stderr, "bench_servizio: put %d (status %d) missed %zu subscribers\n", i + 1, status, missing);
            return std::nullopt;
        }
    }
    std::sort(times.begin(), times.end());
    return times.at(std::min(times.size() - 1, size_t(std::ceil(0.99 * double(times.size()))) - 1));
}

double FanOutBench::kbPerSubscriber() const
{
    return m_fds.empty() ? 0 : double(ServiceProcess::residentKbOf(m_pid) - m_baseKb) / double(m_fds.size());
}

size_t FanOutBench::untilAllHave(QByteArrayView needle)
{
    std::vector<bool> has(m_fds.size(), false);
    size_t missing = m_fds.size();
    QElapsedTimer clock;
    clock.start();
    epoll_event events[256];
    char chunk[8192];
    while (missing > 0 && clock.elapsed() < 30000) {
        const int n = epoll_wait(m_epoll, events, 256, 1000);
        for (int e = 0; e < n; ++e) {
            // One read each: an event fits, and what is left wakes the next wait (level-triggered).
            const uint32_t index = events[e].data.u32;
            const ssize_t r = recv(m_fds[index], chunk, sizeof chunk, 0);
            if (r > 0 && !has[index] && QByteArrayView(chunk, r).contains(needle)) {
                has[index] = true;
                --missing;
            }
        }
    }
    return missing;
}
