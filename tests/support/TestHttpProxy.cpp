#include "TestHttpProxy.h"

#include "HttpTestMessage.h"

#include <QTcpSocket>
#include <memory>

TestHttpProxy::TestHttpProxy(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection())
            serve(socket);
    });
    m_server.listen(QHostAddress::LocalHost);
}

void TestHttpProxy::serve(QTcpSocket *client)
{
    auto pending = std::make_shared<QByteArray>();
    connect(client, &QTcpSocket::readyRead, this, [this, client, pending] {
        pending->append(client->readAll());
        while (auto head = HttpTestMessage::takeHead(*pending)) {
            ++m_requests;
            if (!m_credentials.isEmpty()
                && HttpTestMessage::header(*head, "Proxy-Authorization") != "Basic " + m_credentials.toBase64()) {
                const QByteArray page = "<html>proxy</html>";
                client->write(HttpTestMessage::responseHead(407, "Proxy Authentication Required", "text/html",
                                                            page.size(), {"Proxy-Authenticate: Basic realm=\"proxy\""})
                              + page);
                continue;
            }
            forward(client, *head);
        }
    });
    connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
}

void TestHttpProxy::forward(QTcpSocket *client, const QByteArray &head)
{
    ++m_forwarded;
    const QUrl target = HttpTestMessage::target(head);
    auto *upstream = new QTcpSocket(client);
    const QByteArray pathAndQuery = target.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority);
    const QByteArray request = "GET " + (pathAndQuery.isEmpty() ? QByteArray("/") : pathAndQuery) + " HTTP/1.1\r\nHost: "
        + target.host().toLatin1() + ':' + QByteArray::number(target.port(80)) + "\r\nConnection: close\r\n\r\n";
    connect(upstream, &QTcpSocket::connected, upstream, [upstream, request] { upstream->write(request); });
    connect(upstream, &QTcpSocket::readyRead, client, [client, upstream] { client->write(upstream->readAll()); });
    // The answer went out with "Connection: close": the client's connection ends with it.
    connect(upstream, &QTcpSocket::disconnected, client, [client] { client->disconnectFromHost(); });
    upstream->connectToHost(target.host(), quint16(target.port(80)));
}
