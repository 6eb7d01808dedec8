#include "BanList.h"

void BanList::replace(const QList<Ban> &bans)
{
    m_bans.clear();
    for (const Ban &ban : bans) {
        if (const std::optional<BanRule> rule = BanRule::parse(ban.kind, ban.target))
            m_bans.append({ban, *rule});
    }
}

std::optional<Ban> BanList::refusing(const QString &nick, const QHostAddress &address, const QDateTime &now) const
{
    for (const auto &[ban, rule] : m_bans) {
        if (ban.inForce(now) && rule.matches(nick, address))
            return ban;
    }
    return std::nullopt;
}
