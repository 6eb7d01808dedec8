#pragma once

#include "AuditEntry.h"
#include "Ban.h"
#include "ChatMessage.h"

// The operators' commands print one record a line, its fields split by tabs; in
// free text a tab, a line break and a backslash are written \t, \n (\r) and \\.
class ModerationLines
{
public:
    // id, time, room, sender's address, nick, text
    static QString message(const ChatMessage &message);
    // id, kind, target, until (or "sempre"), reason
    static QString ban(const Ban &ban);
    // time, operator, action, target, reason
    static QString audit(const AuditEntry &entry);

private:
    static QString escaped(const QString &text);
    static QString time(const QDateTime &time); // RFC 3339, in UTC
};
