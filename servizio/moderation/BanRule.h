#pragma once

#include "Ban.h"

#include <QHostAddress>
#include <QPair>

// What a ban matches: a nick whatever its letter case and the blanks around it, or
// a client address within an IPv4 or IPv6 subnet (a lone address is a full-length one).
class BanRule
{
public:
    // Nothing for an empty nick, or for what is not "ADDR" or "ADDR/PREFIX" written out in full.
    static std::optional<BanRule> parse(Ban::Kind kind, const QString &text);

    Ban::Kind kind() const { return m_kind; }
    // The nick as given, or the subnet's first address with "/PREFIX" unless it is a lone address.
    const QString &target() const { return m_target; }
    bool matches(const QString &nick, const QHostAddress &address) const;
    bool matches(const QString &nick, const QString &address) const;

private:
    static std::optional<QHostAddress> strictAddress(const QString &text);

    Ban::Kind m_kind = Ban::Kind::Nick;
    QString m_target;
    QPair<QHostAddress, int> m_subnet;
};
