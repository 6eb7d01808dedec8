#pragma once

#include "Ban.h"
#include "BanRule.h"

#include <QList>

// The bans an instance enforces, each with its rule read once.
class BanList
{
public:
    void replace(const QList<Ban> &bans);
    // The ban in force at `now` that refuses this sender, if any.
    std::optional<Ban> refusing(const QString &nick, const QHostAddress &address, const QDateTime &now) const;

private:
    QList<QPair<Ban, BanRule>> m_bans;
};
