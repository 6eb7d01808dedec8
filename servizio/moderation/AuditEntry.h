#pragma once

#include <QDateTime>
#include <QString>

// One line of the moderation audit: who did what to whom, and why.
struct AuditEntry
{
    QDateTime time; // in UTC
    QString operatorName;
    QString action; // "hide", "ban" or "unban"
    QString target; // a message's id, or a ban's kind and target
    QString reason;
};
