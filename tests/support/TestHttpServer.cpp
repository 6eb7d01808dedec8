#include "TestHttpServer.h"

#include "HttpTestMessage.h"

#include <QPointer>
#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>
#include <memory>

using namespace Qt::StringLiterals;

TestHttpServer::TestHttpServer(QObject *parent)
    : QObject(parent)
{
    listen(std::make_unique<QTcpServer>());
}

TestHttpServer::TestHttpServer(const QSslConfiguration &tls, QObject *parent)
    : QObject(parent)
{
    auto server = std::make_unique<QSslServer>();
    server->setSslConfiguration(tls);
    listen(std::move(server));
}

void TestHttpServer::listen(std::unique_ptr<QTcpServer> server)
{
    m_server = std::move(server);
    // An https connection is handed over once its handshake is done.
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (QTcpSocket *socket = m_server->nextPendingConnection())
            serve(socket);
    });
    m_server->listen(QHostAddress::LocalHost);
}

quint16 TestHttpServer::closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

QString TestHttpServer::url(const QString &path) const
{
    const bool tls = qobject_cast<QSslServer *>(m_server.get());
    return u"%1://127.0.0.1:%2%3"_s.arg(tls ? u"https"_s : u"http"_s).arg(port()).arg(path);
}

void TestHttpServer::setResponse(const QString &path, const Response &response)
{
    m_responses.insert(path, response);
}

void TestHttpServer::setBody(const QString &path, const QByteArray &body, const QByteArray &contentType)
{
    Response response;
    response.body = body;
    response.contentType = contentType;
    setResponse(path, response);
}

void TestHttpServer::setSilent(const QString &path)
{
    Response response;
    response.neverAnswer = true;
    setResponse(path, response);
}

void TestHttpServer::setCutShort(const QString &path, qsizetype length, qsizetype sent)
{
    Response response;
    response.body = QByteArray(length, 'y');
    response.cutAfter = sent;
    setResponse(path, response);
}

void TestHttpServer::serve(QTcpSocket *socket)
{
    auto connection = std::make_shared<Connection>();
    connect(socket, &QTcpSocket::readyRead, this, [this, socket, connection] {
        connection->pending.append(socket->readAll());
        while (auto head = HttpTestMessage::takeHead(connection->pending)) {
            const QString path = HttpTestMessage::target(*head).path();
            ++m_requests[path];
            connection->unanswered = true;
            answer(socket, connection, path, *head);
        }
    });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket, connection] {
        if (connection->unanswered)
            ++m_abandoned;
        socket->deleteLater();
    });
}

void TestHttpServer::answer(QTcpSocket *socket, const std::shared_ptr<Connection> &connection, const QString &path,
                            const QByteArray &head)
{
    Response response = m_responses.value(path);
    if (!m_responses.contains(path)) {
        response.status = 404;
        response.reason = "Not Found";
        response.body = "<html><body>Not Found</body></html>";
    }
    if (response.neverAnswer)
        return;
    QList<QByteArray> extra;
    if (!response.credentials.isEmpty()
        && HttpTestMessage::header(head, "Authorization") != "Basic " + response.credentials.toBase64()) {
        response.status = 401;
        response.reason = "Unauthorized";
        response.body = "<html><body>Unauthorized</body></html>";
        extra.append("WWW-Authenticate: Basic realm=\"ciarla\"");
    }
    const bool close = HttpTestMessage::header(head, "Connection").toLower() == "close" || response.cutAfter >= 0;
    if (close)
        extra.append("Connection: close");
    QByteArray bytes = HttpTestMessage::responseHead(response.status, response.reason, response.contentType,
                                                     response.body.size(), extra);
    bytes += response.cutAfter >= 0 ? response.body.left(response.cutAfter) : response.body;

    auto send = [target = QPointer<QTcpSocket>(socket), connection, bytes, close] {
        if (!target)
            return;
        connection->unanswered = false;
        target->write(bytes);
        if (close)
            target->disconnectFromHost();
    };
    if (response.delayMs > 0)
        QTimer::singleShot(response.delayMs, this, send);
    else
        send();
}
