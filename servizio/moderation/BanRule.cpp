#include "BanRule.h"

#include <algorithm>
#include <arpa/inet.h>

std::optional<BanRule> BanRule::parse(Ban::Kind kind, const QString &text)
{
    BanRule rule;
    rule.m_kind = kind;
    if (kind == Ban::Kind::Nick) {
        rule.m_target = text.trimmed();
        return rule.m_target.isEmpty() ? std::nullopt : std::optional(rule);
    }
    const qsizetype slash = text.indexOf(u'/');
    const std::optional<QHostAddress> address = strictAddress(slash < 0 ? text : text.left(slash));
    if (!address)
        return std::nullopt;
    const int full = address->protocol() == QAbstractSocket::IPv4Protocol ? 32 : 128;
    int prefix = full;
    if (slash >= 0) {
        bool ok = false;
        const QString digits = text.sliced(slash + 1);
        prefix = digits.toInt(&ok);
        if (!ok || digits.isEmpty() || digits.size() > 3 || prefix > full
            || !std::all_of(digits.cbegin(), digits.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
            return std::nullopt;
    }
    // The subnet's first address, so that 203.0.113.77/24 and 203.0.113.0/24 are one ban.
    rule.m_subnet = QHostAddress::parseSubnet(address->toString() + u'/' + QString::number(prefix));
    rule.m_target = prefix == full ? address->toString()
                                   : rule.m_subnet.first.toString() + u'/' + QString::number(prefix);
    return rule;
}

bool BanRule::matches(const QString &nick, const QHostAddress &address) const
{
    if (m_kind == Ban::Kind::Nick)
        return nick.trimmed().compare(m_target, Qt::CaseInsensitive) == 0;
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4); // a mapped IPv4 client is an IPv4 one
    return (isV4 ? QHostAddress(v4) : address).isInSubnet(m_subnet);
}

bool BanRule::matches(const QString &nick, const QString &address) const
{
    return matches(nick, QHostAddress(address));
}

std::optional<QHostAddress> BanRule::strictAddress(const QString &text)
{
    // No shorthand such as "10.1" and no scope: what the operator types is what is banned.
    const QByteArray bytes = text.toLatin1();
    in_addr v4{};
    Q_IPV6ADDR v6{};
    if (inet_pton(AF_INET, bytes.constData(), &v4) == 1)
        return QHostAddress(ntohl(v4.s_addr));
    if (inet_pton(AF_INET6, bytes.constData(), v6.c) == 1)
        return QHostAddress(v6);
    return std::nullopt;
}
