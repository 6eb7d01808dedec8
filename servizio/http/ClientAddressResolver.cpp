#include "ClientAddressResolver.h"

#include <arpa/inet.h>

namespace {
// Only a plain address: no scope id, no shorthand, nothing around it. The log and the
// flood guard take what is accepted here.
bool readAddress(const QByteArray &text, QHostAddress *address)
{
    Q_IPV6ADDR v6{};
    in_addr v4{};
    if (inet_pton(AF_INET, text.constData(), &v4) == 1)
        *address = QHostAddress(ntohl(v4.s_addr));
    else if (inet_pton(AF_INET6, text.constData(), v6.c) == 1)
        *address = QHostAddress(v6);
    else
        return false;
    return true;
}
} // namespace

bool ClientAddressResolver::trust(const QString &proxy)
{
    QPair<QHostAddress, int> subnet = QHostAddress::parseSubnet(proxy.trimmed());
    if (subnet.first.isNull())
        return false;
    subnet.first = plain(subnet.first);
    m_trusted.append(subnet);
    return true;
}

bool ClientAddressResolver::isTrusted(const QHostAddress &peer) const
{
    const QHostAddress address = plain(peer);
    for (const auto &subnet : m_trusted) {
        if (address.isInSubnet(subnet))
            return true;
    }
    return false;
}

QHostAddress ClientAddressResolver::resolve(const QHostAddress &peer, const QByteArray &forwardedFor) const
{
    // Each proxy appends the address it was reached from: read from the right, believing
    // entries only as long as they came from trusted proxies.
    QHostAddress hop = plain(peer);
    const QList<QByteArray> entries = forwardedFor.split(',');
    for (qsizetype i = entries.size() - 1, hops = 0; i >= 0 && hops < maxHops && isTrusted(hop); --i, ++hops) {
        QHostAddress named;
        if (!readAddress(entries.at(i).trimmed(), &named))
            break; // no header, or a proxy that names nobody: the request is the hop's own
        hop = plain(named);
    }
    return hop;
}

QHostAddress ClientAddressResolver::plain(const QHostAddress &address)
{
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4) : address;
}
