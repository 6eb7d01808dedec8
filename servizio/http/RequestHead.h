#pragma once

#include "HttpLimits.h"

#include <QByteArray>
#include <QByteArrayView>

// The parts of a complete request head the service acts on. The views point
// into the bytes parsed and live as long as they do.
struct RequestHead
{
    int refusal = 0; // the status to refuse the request with; 0: acceptable
    bool isGet = false;
    bool keepAlive = true;
    QByteArrayView target;
    qint64 contentLength = 0;
    QByteArray forwardedFor; // every X-Forwarded-For value, joined by commas; within the head's bound

    static RequestHead parse(QByteArrayView head, const HttpLimits &limits);

private:
    bool parseRequestLine(QByteArrayView line);
    bool parseHeader(QByteArrayView line, bool *chunked, bool *lengthSeen);
};
