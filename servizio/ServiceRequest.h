#pragma once

#include <QHostAddress>
#include <QString>

// One request as the service sees it, whatever HTTP library carried it.
struct ServiceRequest
{
    bool isGet = true;
    QString path;         // decoded, as the browser asked for it; "%2F" and "%25" stay escaped
    QString encodedQuery; // still percent-encoded: the service decodes the bytes itself
    QHostAddress client; // the sender: the peer, or the address a trusted proxy forwarded
    QByteArray ifNoneMatch; // the entity tags the browser already holds
};
