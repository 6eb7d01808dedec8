#include "PgFaultProxy.h"

#include <QByteArrayView>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
const QByteArrayView commit("Q\0\0\0\x0b" "COMMIT\0", 12); // the simple query message
} // namespace

PgFaultProxy::~PgFaultProxy()
{
    ::shutdown(m_listener, SHUT_RDWR);
    if (m_acceptor.joinable())
        m_acceptor.join();
    const std::lock_guard lock(m_mutex);
    for (const int socket : m_sockets)
        ::shutdown(socket, SHUT_RDWR);
    for (std::thread &thread : m_threads)
        thread.join();
    for (const int socket : m_sockets)
        ::close(socket);
    ::close(m_listener);
}

bool PgFaultProxy::start()
{
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof address;
    if (::bind(m_listener, reinterpret_cast<sockaddr *>(&address), length) != 0 || ::listen(m_listener, 64) != 0
        || ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        return false;
    m_port = ntohs(address.sin_port);
    m_acceptor = std::thread([this] {
        sockaddr_in server{AF_INET, htons(m_serverPort), {htonl(INADDR_LOOPBACK)}, {}};
        for (int client; (client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
            const int upstream = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            ::connect(upstream, reinterpret_cast<sockaddr *>(&server), sizeof server);
            const auto committed = std::make_shared<std::atomic<bool>>(false);
            const std::lock_guard lock(m_mutex);
            m_sockets.insert(m_sockets.end(), {client, upstream});
            m_threads.emplace_back([=, this] { pump(client, upstream, true, committed); });
            m_threads.emplace_back([=, this] { pump(upstream, client, false, committed); });
        }
    });
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

void PgFaultProxy::pump(int from, int to, bool fromClient, std::shared_ptr<std::atomic<bool>> committed)
{
    char buffer[65536];
    for (ssize_t got; (got = ::recv(from, buffer, sizeof buffer, 0)) > 0;) {
        if (!fromClient && *committed) // the server's answer to the COMMIT
            return strike(from, to);
        if (fromClient && QByteArrayView(buffer, got).contains(commit) && m_armed.exchange(false)) {
            if (!m_commitPasses)
                return strike(from, to);
            *committed = true;
        }
        if (::send(to, buffer, size_t(got), MSG_NOSIGNAL) != got)
            break;
    }
    ::shutdown(to, SHUT_RDWR);
}

void PgFaultProxy::strike(int from, int to)
{
    // Held: this side is no longer relayed, and both stay open.
    if (m_drops) {
        ::shutdown(from, SHUT_RDWR);
        ::shutdown(to, SHUT_RDWR);
    }
    m_struck = true;
}
