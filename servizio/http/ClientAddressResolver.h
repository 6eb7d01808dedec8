#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QPair>
#include <QString>

// Who sent a request. The peer itself, unless the peer is a proxy the operator
// trusts: then the client its X-Forwarded-For names. From anyone else the header
// is ignored, so that a client can neither forge its address nor dodge the flood guard.
class ClientAddressResolver
{
public:
    // An address or a subnet ("10.0.0.0/8"); false for what is neither.
    bool trust(const QString &proxy);
    bool isTrusted(const QHostAddress &peer) const;
    // `forwardedFor`: every X-Forwarded-For value in the order received, joined by commas.
    QHostAddress resolve(const QHostAddress &peer, const QByteArray &forwardedFor) const;

    // Proxies in front of proxies: more hops than this are not followed.
    static constexpr int maxHops = 16;

private:
    static QHostAddress plain(const QHostAddress &address);

    QList<QPair<QHostAddress, int>> m_trusted;
};
