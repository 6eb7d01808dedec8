#pragma once

#include <QString>

// One message of a room, as stored and as shown: the texts are plain, not mark-up.
struct ChatMessage
{
    QString nick;
    QString date;
    QString address;
    QString text;
};
