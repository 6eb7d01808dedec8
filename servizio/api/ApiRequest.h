#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>

// One request to the API, copied out of the connection's buffers.
struct ApiRequest
{
    QByteArray method;
    QByteArray path;      // as sent, without the query
    QString encodedQuery;
    QByteArray contentType;
    QByteArray lastEventId;
    QByteArray body;
    QHostAddress client;  // the sender: the peer, or whom a trusted proxy forwarded for
};
