#include "RawConnections.h"

#include <arpa/inet.h>
#include <QDeadlineTimer>
#include <cerrno>
#include <poll.h>
#include <unistd.h>

int RawConnections::connectFrom(quint16 port, const char *source, int receiveBuffer)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{AF_INET, 0, {}, {}};
    inet_pton(AF_INET, source, &address.sin_addr);
    const timeval timeout{15, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    if (receiveBuffer > 0) // before connecting, or the window is already offered
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    const bool bound = bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
    address.sin_port = htons(port);
    if (bound && ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0)
        return fd;
    ::close(fd);
    return -1;
}

int RawConnections::open(quint16 port, int count, int perAddress, int firstHost)
{
    const size_t before = m_fds.size();
    for (int i = 0; i < count; ++i) {
        const int host = firstHost + i / perAddress;
        const QByteArray source = "127.1." + QByteArray::number(host / 250) + '.' + QByteArray::number(host % 250 + 1);
        if (const int fd = connectFrom(port, source.constData()); fd >= 0)
            m_fds.push_back(fd);
    }
    return int(m_fds.size() - before);
}

void RawConnections::sendAll(const QByteArray &bytes)
{
    for (const int fd : m_fds)
        send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
}

int RawConnections::closedWithin(int ms)
{
    std::vector<pollfd> waiting;
    for (const int fd : m_fds)
        waiting.push_back({fd, POLLIN, 0});
    QDeadlineTimer deadline(ms);
    int closed = 0;
    while (!waiting.empty() && poll(waiting.data(), waiting.size(), int(deadline.remainingTime())) > 0) {
        for (auto p = waiting.begin(); p != waiting.end();) {
            QByteArray said;
            char scratch[4096];
            ssize_t n = 0;
            while (p->revents != 0 && (n = recv(p->fd, scratch, sizeof scratch, MSG_DONTWAIT)) > 0)
                said.append(scratch, n);
            const bool ended = p->revents != 0 && (n == 0 || errno != EAGAIN);
            closed += ended ? 1 : 0;
            const bool keptAlive = !said.isEmpty() && !said.contains("Connection: close");
            p = ended || keptAlive ? waiting.erase(p) : std::next(p);
        }
    }
    return closed;
}

void RawConnections::closeAll()
{
    for (const int fd : m_fds)
        ::close(fd);
    m_fds.clear();
}

QByteArray RawConnections::exchange(quint16 port, const QByteArray &request, int piece, bool finish)
{
    const int fd = connectFrom(port, "127.0.0.1");
    for (qsizetype at = 0; fd >= 0 && at < request.size(); at += piece)
        send(fd, request.constData() + at, size_t(std::min<qsizetype>(piece, request.size() - at)), MSG_NOSIGNAL);
    if (fd >= 0 && finish)
        shutdown(fd, SHUT_WR);
    QByteArray reply;
    char buffer[16384];
    ssize_t n = -1;
    while (fd >= 0 && (n = recv(fd, buffer, sizeof buffer, 0)) > 0)
        reply.append(buffer, n);
    ::close(fd);
    return n == 0 ? reply : QByteArray(); // nothing unless the service closed the connection
}
