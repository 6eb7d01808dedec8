#pragma once

#include <QByteArray>

struct ServiceReply;

// A reply as the bytes that go on the wire: status line, headers and body.
class HttpResponse
{
public:
    static QByteArray bytes(const ServiceReply &reply, bool keepAlive);

private:
    static QByteArray reasonPhrase(int status);
};
