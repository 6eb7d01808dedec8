#pragma once

#include <QByteArray>
#include <QByteArrayView>

struct ServiceReply;

// A reply as the bytes that go on the wire: status line, headers and body.
class HttpResponse
{
public:
    // `date`: the Date header's value (HttpDate), right after the status line.
    static QByteArray bytes(const ServiceReply &reply, bool keepAlive, QByteArrayView date);
    // The answer to a HEAD: the same status line and headers, no body.
    static QByteArray withoutBody(const QByteArray &response);

private:
    static QByteArray reasonPhrase(int status);
};
