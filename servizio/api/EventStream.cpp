#include "EventStream.h"

#include "JsonAnswer.h"

#include <QJsonDocument>
#include <QJsonObject>

QByteArray EventStream::head(QByteArrayView date)
{
    // No length: the stream ends when the connection does.
    return "HTTP/1.1 200 OK\r\nDate: " + date.toByteArray()
        + "\r\nContent-Type: text/event-stream; charset=utf-8\r\nCache-Control: no-store\r\n"
          "X-Content-Type-Options: nosniff\r\nConnection: close\r\n\r\n";
}

StreamEvent EventStream::message(const ChatMessage &message)
{
    const QByteArray data = QJsonDocument(JsonAnswer::message(message)).toJson(QJsonDocument::Compact);
    return {message.id, event({}, message.id, data), false};
}

StreamEvent EventStream::hide(qint64 id)
{
    const QByteArray data = QJsonDocument(QJsonObject{{QStringLiteral("id"), id}}).toJson(QJsonDocument::Compact);
    return {id, event("hide", 0, data), true};
}

const QByteArray &EventStream::comment()
{
    static const QByteArray bytes = ":\n\n";
    return bytes;
}

QByteArray EventStream::event(const QByteArray &name, qint64 id, const QByteArray &data)
{
    // Compact JSON has no line breaks: one data line carries it all.
    QByteArray bytes;
    if (!name.isEmpty())
        bytes += "event: " + name + '\n';
    if (id > 0)
        bytes += "id: " + QByteArray::number(id) + '\n';
    return bytes + "data: " + data + "\n\n";
}
