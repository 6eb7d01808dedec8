#pragma once

#include "RequestLog.h"

#include <QAbstractHttpServer>
#include <QHostAddress>

class ChatService;
struct ServiceReply;

// Carries HTTP requests to the chat service and its replies back, and logs one
// line per request to standard error. The replies are written by hand because a
// put is answered after handleRequest() has returned.
class HttpFrontEnd : public QAbstractHttpServer
{
    Q_OBJECT

public:
    explicit HttpFrontEnd(ChatService &service, QObject *parent = nullptr);

    // The port listened on (the one picked when `port` is 0), or 0 on failure.
    // Connections silent for `idleSeconds` are closed.
    quint16 start(const QHostAddress &address, quint16 port, int idleSeconds);

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    void refuseLongLine(QTcpSocket *socket);
    static bool wantsClose(const QHttpServerRequest &request);
    static void send(QTcpSocket *socket, const ServiceReply &reply, bool keepAlive);
    static QByteArray reasonPhrase(int status);

    ChatService &m_service;
    RequestLog m_log;
};
