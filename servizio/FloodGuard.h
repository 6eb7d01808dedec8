#pragma once

#include <QHash>
#include <QList>
#include <QString>

// Refuses a sender that has already had `limit` messages stored within the last
// `windowMs` milliseconds. A limit of 0 lets everything through.
class FloodGuard
{
public:
    FloodGuard(int limit, qint64 windowMs);

    bool allows(const QString &address, qint64 nowMs);
    void record(const QString &address, qint64 nowMs);

private:
    void forgetIdle(qint64 nowMs);
    void dropExpired(QList<qint64> &times, qint64 nowMs) const;

    int m_limit;
    qint64 m_windowMs;
    QHash<QString, QList<qint64>> m_recent; // per address, the times of its stored messages
};
