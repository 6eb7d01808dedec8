#pragma once

#include "ChatMessage.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The poll page of a room: an ordinary HTML page that carries the messages,
// oldest first, between the comment markers the client parses. The sender's
// address is the operators' alone: the record's address field shows the
// message's number instead, which a reader can quote to them.
class TranscriptPage
{
public:
    static QByteArray render(const QString &roomTitle, const QList<ChatMessage> &messages);

private:
    static QString record(int number, const ChatMessage &message);
};
