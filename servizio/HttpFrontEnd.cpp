#include "HttpFrontEnd.h"

#include "ChatService.h"
#include "GuardedTcpServer.h"

#include <QElapsedTimer>
#include <QHttpServerRequest>
#include <QPointer>
#include <QTcpSocket>

HttpFrontEnd::HttpFrontEnd(ChatService &service, QObject *parent)
    : QAbstractHttpServer(parent)
    , m_service(service)
{
}

quint16 HttpFrontEnd::start(const QHostAddress &address, quint16 port, int idleSeconds)
{
    auto *listener = new GuardedTcpServer(ChatService::maxRequestLine, qint64(idleSeconds) * 1000, this);
    if (!listener->listen(address, port)) {
        delete listener;
        return 0;
    }
    connect(listener, &GuardedTcpServer::lineTooLong, this, &HttpFrontEnd::refuseLongLine);
    bind(listener);
    return listener->serverPort();
}

bool HttpFrontEnd::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket)
{
    QElapsedTimer timer;
    timer.start();
    const QUrl url = request.url();
    const ServiceRequest serviceRequest{request.method() == QHttpServerRequest::Method::Get, url.path(),
                                        url.query(QUrl::FullyEncoded), request.remoteAddress()};
    // A put is answered later, once stored; by then the client may have gone.
    const QPointer<QTcpSocket> connection(socket);
    const bool keepAlive = !wantsClose(request);
    // The encoded path: a logged line cannot be split by what the client sent.
    const QString page = url.path(QUrl::FullyEncoded);
    const QHostAddress peer = request.remoteAddress();
    m_service.answer(serviceRequest, [this, connection, keepAlive, page, peer, timer](const ServiceReply &reply) {
        if (connection)
            send(connection, reply, keepAlive);
        // Status 0: the client left before its answer was ready.
        m_log.write(peer, page, connection ? reply.status : 0, timer.nsecsElapsed());
    });
    return true;
}

void HttpFrontEnd::missingHandler(const QHttpServerRequest &, QTcpSocket *)
{
    // handleRequest answers every request itself.
}

void HttpFrontEnd::refuseLongLine(QTcpSocket *socket)
{
    QElapsedTimer timer;
    timer.start();
    const ServiceReply reply = ChatService::requestLineTooLong();
    send(socket, reply, false);
    m_log.write(socket->peerAddress(), QStringLiteral("(richiesta troppo lunga)"), reply.status, timer.nsecsElapsed());
}

bool HttpFrontEnd::wantsClose(const QHttpServerRequest &request)
{
    for (const auto &[name, value] : request.headers()) {
        if (name.compare("Connection", Qt::CaseInsensitive) == 0)
            return value.trimmed().compare("close", Qt::CaseInsensitive) == 0;
    }
    return false;
}

void HttpFrontEnd::send(QTcpSocket *socket, const ServiceReply &reply, bool keepAlive)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reasonPhrase(reply.status)
        + "\r\nContent-Type: " + reply.contentType + "\r\nContent-Length: " + QByteArray::number(reply.body.size())
        + (keepAlive ? "\r\n" : "\r\nConnection: close\r\n");
    for (const auto &[name, value] : reply.headers)
        head += name + ": " + value + "\r\n";
    socket->write(head + "\r\n" + reply.body);
    if (!keepAlive)
        socket->disconnectFromHost();
}

QByteArray HttpFrontEnd::reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 414: return "URI Too Long";
    case 429: return "Too Many Requests";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}
