#include "PgFaultProxy.h"

#include <QtEndian>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int connectTo(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool sendAll(int fd, const char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t sent = ::send(fd, data, size_t(size), MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        data += sent;
        size -= sent;
    }
    return true;
}
} // namespace

PgFaultProxy::PgFaultProxy(quint16 serverPort)
    : m_serverPort(serverPort)
{
}

PgFaultProxy::~PgFaultProxy()
{
    m_stopping = true;
    if (m_thread.joinable()) {
        [[maybe_unused]] const ssize_t woken = ::write(m_wake[1], "x", 1);
        m_thread.join();
    }
    for (const Session &session : m_sessions) {
        ::close(session.client);
        ::close(session.server);
    }
    for (const int fd : {m_listener, m_wake[0], m_wake[1]})
        ::close(fd);
}

bool PgFaultProxy::start()
{
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof address;
    if (::bind(m_listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || ::listen(m_listener, 64) != 0
        || ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &length) != 0 || ::pipe(m_wake) != 0)
        return false;
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { run(); });
    return true;
}

QString PgFaultProxy::uri() const
{
    return QStringLiteral("postgresql://postgres@127.0.0.1:%1/postgres?sslmode=disable&gssencmode=disable").arg(m_port);
}

void PgFaultProxy::arm(bool commitPasses, bool drops)
{
    m_commitPasses = commitPasses;
    m_drops = drops;
    m_struck = false;
    m_armed = true;
}

void PgFaultProxy::run()
{
    while (!m_stopping) {
        std::vector<pollfd> watched{{m_wake[0], POLLIN, 0}, {m_listener, POLLIN, 0}};
        for (const Session &session : m_sessions) {
            watched.push_back({session.held ? -1 : session.client, POLLIN, 0});
            watched.push_back({session.held ? -1 : session.server, POLLIN, 0});
        }
        if (::poll(watched.data(), nfds_t(watched.size()), -1) <= 0)
            continue;
        if (watched[1].revents) {
            const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            const int server = connectTo(m_serverPort);
            if (client >= 0 && server >= 0)
                m_sessions.push_back({client, server, {}});
        }
        // Backwards: a session that ends is taken out without moving those still to look at.
        for (size_t i = m_sessions.size(); i-- > 0;) {
            const size_t at = 2 + 2 * i;
            if (at + 1 < watched.size() && (watched[at].revents || watched[at + 1].revents))
                relay(m_sessions[i], watched[at].revents != 0);
        }
        std::erase_if(m_sessions, [](const Session &session) {
            if (session.client >= 0)
                return false;
            ::close(session.server);
            return true;
        });
    }
}

void PgFaultProxy::relay(Session &session, bool fromClient)
{
    char buffer[65536];
    const int from = fromClient ? session.client : session.server;
    const ssize_t got = ::recv(from, buffer, sizeof buffer, 0);
    bool alive = got > 0;
    if (alive && !fromClient && session.committing) { // the server's answer to the COMMIT
        m_struck = true;
        session.held = !m_drops;
        alive = !m_drops;
    } else if (alive && !fromClient) {
        alive = sendAll(session.client, buffer, got);
    } else if (alive) {
        session.fromClient.append(buffer, got);
        alive = forward(session);
    }
    if (!alive) {
        ::close(session.client);
        session.client = -1;
    }
}

bool PgFaultProxy::forward(Session &session)
{
    // Whole messages only: the first has no type byte, every later one has.
    for (;;) {
        const qsizetype head = session.started ? 1 : 0;
        QByteArray &pending = session.fromClient;
        if (pending.size() < head + 4)
            return true;
        const qsizetype size = head + qFromBigEndian<qint32>(pending.constData() + head);
        if (pending.size() < size)
            return true;
        const QByteArray message = pending.left(size);
        pending.remove(0, size);
        session.started = true;
        if (message.startsWith('Q') && message.mid(5).startsWith("COMMIT\0") && m_armed.exchange(false)) {
            session.committing = m_commitPasses;
            if (!m_commitPasses) {
                m_struck = true;
                session.held = !m_drops;
                return !m_drops;
            }
        }
        if (!sendAll(session.server, message.constData(), message.size()))
            return false;
    }
}
