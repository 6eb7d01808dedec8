#pragma once

#include <QString>

// One message of a room as the reply gives it, fields decoded.
struct RecordChat
{
    QString nick;
    QString data;
    QString ip;
    QString messaggio;

    bool operator==(const RecordChat &) const = default;
};
