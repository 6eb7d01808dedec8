#include "JsonAnswer.h"

#include "RoomDirectory.h"

#include <QJsonArray>
#include <QJsonDocument>

ServiceReply JsonAnswer::reply(int status, const QJsonObject &body)
{
    ServiceReply reply;
    reply.status = status;
    reply.contentType = "application/json; charset=utf-8";
    reply.body = QJsonDocument(body).toJson(QJsonDocument::Compact);
    reply.headers.emplaceBack("X-Content-Type-Options", "nosniff");
    return reply;
}

ServiceReply JsonAnswer::error(int status, const QString &reason)
{
    return reply(status, {{QStringLiteral("error"), reason}});
}

ServiceReply JsonAnswer::messages(const std::optional<QList<ChatMessage>> &rows)
{
    if (!rows)
        return unreadable();
    QJsonArray list;
    for (const ChatMessage &row : *rows)
        list.append(message(row));
    return reply(200, {{QStringLiteral("messages"), list}});
}

ServiceReply JsonAnswer::rooms()
{
    QJsonArray list;
    for (const RoomDirectory::Entry &room : RoomDirectory::rooms())
        list.append(QJsonObject{{QStringLiteral("key"), room.key}, {QStringLiteral("name"), room.title}});
    ServiceReply answer = reply(200, {});
    answer.body = QJsonDocument(list).toJson(QJsonDocument::Compact);
    return answer;
}

ServiceReply JsonAnswer::unreadable()
{
    return error(503, QStringLiteral("L'archivio non è raggiungibile in questo momento. Riprova più tardi."));
}

QJsonObject JsonAnswer::message(const ChatMessage &message)
{
    return {{QStringLiteral("id"), message.id},
            {QStringLiteral("room"), message.room},
            {QStringLiteral("nick"), message.nick},
            {QStringLiteral("text"), message.text},
            {QStringLiteral("time"), message.time.toUTC().toString(Qt::ISODate)}};
}
