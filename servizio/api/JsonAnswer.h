#pragma once

#include "ChatMessage.h"
#include "ServiceReply.h"

#include <QJsonObject>
#include <optional>

// The API's answers: UTF-8 JSON that browsers must not sniff as anything else.
class JsonAnswer
{
public:
    static ServiceReply reply(int status, const QJsonObject &body);
    static ServiceReply error(int status, const QString &reason);
    // {"messages":[…]} in the order given, or 503 when the archive could not be read.
    static ServiceReply messages(const std::optional<QList<ChatMessage>> &rows);
    static ServiceReply rooms();
    static ServiceReply unreadable();
    static QJsonObject message(const ChatMessage &message);
};
