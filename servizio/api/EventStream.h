#pragma once

#include "ChatMessage.h"
#include "StreamEvent.h"

// The bytes of a text/event-stream answer: its head, its events, and the comment
// that keeps proxies from closing a quiet stream.
class EventStream
{
public:
    static QByteArray head(QByteArrayView date); // `date`: the Date header's value
    static StreamEvent message(const ChatMessage &message);
    static StreamEvent hide(qint64 id);
    static const QByteArray &comment();

private:
    static QByteArray event(const QByteArray &name, qint64 id, const QByteArray &data);
};
