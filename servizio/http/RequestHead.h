#pragma once

#include "HttpLimits.h"
#include "RequestTarget.h"

#include <QByteArray>
#include <QByteArrayView>

// The parts of a complete request head the service acts on. The views point
// into the bytes parsed and live as long as they do.
struct RequestHead
{
    int refusal = 0; // the status to refuse the request with; 0: acceptable
    bool isGet = false;
    bool isHead = false; // answered as a GET, without the body
    bool keepAlive = true;
    QByteArrayView method;
    RequestTarget target;
    QByteArrayView contentType;
    QByteArrayView lastEventId; // an event stream's reconnection point
    qint64 contentLength = 0;
    QByteArray forwardedFor; // every X-Forwarded-For value, joined by commas; within the head's bound
    QByteArray ifNoneMatch;  // likewise every If-None-Match value

    static RequestHead parse(QByteArrayView head, const HttpLimits &limits);

private:
    // What the header lines said about the framing and the host, so far.
    struct Seen
    {
        bool chunked = false;
        bool length = false;
        int hosts = 0;
    };

    bool parseRequestLine(QByteArrayView line, bool *http11);
    bool parseHeader(QByteArrayView line, Seen *seen);
};
