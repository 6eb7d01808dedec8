#include "ListeningSocket.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

int ListeningSocket::open(const QHostAddress &address, quint16 port, bool sharedPort)
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
        && (!sharedPort || setsockopt(fd, SOL_SOCKET, SO_REUSEPORT, &on, sizeof on) == 0)
        && bind(fd, reinterpret_cast<const sockaddr *>(&storage), length) == 0 && listen(fd, SOMAXCONN) == 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

quint16 ListeningSocket::portOf(int fd)
{
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    getsockname(fd, reinterpret_cast<sockaddr *>(&storage), &length);
    return storage.ss_family == AF_INET ? ntohs(reinterpret_cast<const sockaddr_in *>(&storage)->sin_port)
                                        : ntohs(reinterpret_cast<const sockaddr_in6 *>(&storage)->sin6_port);
}
