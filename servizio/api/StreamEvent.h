#pragma once

#include <QByteArray>
#include <QtGlobal>

// One event of a room's stream, on the wire as every subscriber gets it: made
// once and shared by all of them.
struct StreamEvent
{
    qint64 id = 0;     // the message's; a subscriber never gets one id twice
    QByteArray bytes;
    bool hide = false; // takes a message back: sent whatever the subscriber has seen
};
