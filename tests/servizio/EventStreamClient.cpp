#include "EventStreamClient.h"

#include "RawConnections.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

EventStreamClient::~EventStreamClient()
{
    ::close(m_fd);
}

QByteArray EventStreamClient::open(quint16 port, const QByteArray &path, const QByteArray &lastEventId,
                                   const char *source, int receiveBuffer)
{
    m_fd = RawConnections::connectFrom(port, source, receiveBuffer);
    const QByteArray request = "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n"
        + (lastEventId.isEmpty() ? QByteArray() : "Last-Event-ID: " + lastEventId + "\r\n") + "\r\n";
    send(m_fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL);
    const QDeadlineTimer deadline(5000);
    while (!m_buffer.contains("\r\n\r\n") && fill(deadline)) {
    }
    const qsizetype end = m_buffer.indexOf("\r\n\r\n");
    const QByteArray head = m_buffer.left(end + 4);
    m_buffer.remove(0, head.size());
    return end < 0 ? QByteArray() : head;
}

qint64 EventStreamClient::next(int ms, QByteArray *data, QByteArray *name)
{
    const QDeadlineTimer deadline(ms);
    qsizetype end;
    while ((end = m_buffer.indexOf("\n\n")) < 0) {
        if (!fill(deadline))
            return 0;
    }
    const QByteArray event = m_buffer.left(end);
    m_buffer.remove(0, end + 2);
    if (event.startsWith(':'))
        return next(int(deadline.remainingTime()), data, name);
    if (data)
        *data = event.mid(event.indexOf("data: ") + 6);
    if (name)
        *name = event.startsWith("event: ") ? event.mid(7, event.indexOf('\n') - 7) : QByteArray();
    const qsizetype id = event.indexOf("id: ");
    return id < 0 ? 0 : event.mid(id + 4, event.indexOf('\n', id) - id - 4).toLongLong();
}

QList<qint64> EventStreamClient::ids(qsizetype count, int ms)
{
    QList<qint64> ids;
    while (const qint64 id = next(ids.size() < count ? ms : 300))
        ids.append(id);
    return ids;
}

bool EventStreamClient::fill(const QDeadlineTimer &deadline)
{
    pollfd p{m_fd, POLLIN, 0};
    char chunk[16384];
    if (m_closed || poll(&p, 1, int(deadline.remainingTime())) <= 0)
        return false;
    const ssize_t n = recv(m_fd, chunk, sizeof chunk, 0);
    m_closed = n <= 0;
    m_buffer.append(chunk, std::max<ssize_t>(n, 0));
    return !m_closed;
}
