#pragma once

#include "ChatMessage.h"

#include <QList>

// What the operators did since an instance last looked: up to which audit line,
// and the messages they hid meanwhile (their id and room only).
struct ModerationNews
{
    qint64 lastId = 0;
    QList<ChatMessage> hidden;
};
