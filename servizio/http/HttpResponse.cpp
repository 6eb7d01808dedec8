#include "HttpResponse.h"

#include "ServiceReply.h"

QByteArray HttpResponse::bytes(const ServiceReply &reply, bool keepAlive, QByteArrayView date)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reasonPhrase(reply.status)
        + "\r\nDate: " + date.toByteArray() + "\r\n";
    // A 304 has no content, and a length there would have to be the full answer's.
    if (reply.status != 304)
        head += "Content-Type: " + reply.contentType + "\r\nContent-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    if (!keepAlive)
        head += "Connection: close\r\n";
    for (const auto &[name, value] : reply.headers)
        head += name + ": " + value + "\r\n";
    return head + "\r\n" + reply.body;
}

QByteArray HttpResponse::withoutBody(const QByteArray &response)
{
    return response.first(response.indexOf("\r\n\r\n") + 4);
}

QByteArray HttpResponse::reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 201: return "Created";
    case 304: return "Not Modified";
    case 308: return "Permanent Redirect";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 413: return "Content Too Large";
    case 414: return "URI Too Long";
    case 415: return "Unsupported Media Type";
    case 429: return "Too Many Requests";
    case 431: return "Request Header Fields Too Large";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}
