#include "TestHttpServer.h"

#include "HttpTestMessage.h"

#include <QPointer>
#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>
#include <memory>

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

QString TestHttpServer::url(const QString &path) const
{
    const bool tls = qobject_cast<QSslServer *>(m_server.get());
    return QStringLiteral("%1://127.0.0.1:%2%3").arg(tls ? QStringLiteral("https") : QStringLiteral("http")).arg(port()).arg(path);
}

quint16 TestHttpServer::closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

void TestHttpServer::serve(QTcpSocket *socket)
{
    auto pending = std::make_shared<QByteArray>();
    auto unanswered = std::make_shared<bool>(false);
    connect(socket, &QTcpSocket::readyRead, this, [this, socket, pending, unanswered] {
        pending->append(socket->readAll());
        while (auto head = HttpTestMessage::takeHead(*pending)) {
            const QString path = HttpTestMessage::target(*head).path();
            ++m_requests[path];
            const Response response = m_responses.value(path);
            if (m_responses.contains(path) && response.neverAnswer) {
                *unanswered = true;
                continue;
            }
            bool close = false;
            const QByteArray bytes = answer(path, *head, &close);
            auto send = [target = QPointer<QTcpSocket>(socket), unanswered, bytes, close] {
                if (!target)
                    return;
                *unanswered = false;
                target->write(bytes);
                if (close)
                    target->disconnectFromHost();
            };
            *unanswered = true;
            if (response.delayMs > 0)
                QTimer::singleShot(response.delayMs, this, send);
            else
                send();
        }
    });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket, unanswered] {
        m_abandoned += *unanswered ? 1 : 0;
        socket->deleteLater();
    });
}

QByteArray TestHttpServer::answer(const QString &path, const QByteArray &head, bool *close) const
{
    Response response = m_responses.value(path, {.status = 404, .reason = "Not Found", .body = "<html><body>Not Found</body></html>"});
    QList<QByteArray> extra;
    if (!response.credentials.isEmpty()
        && HttpTestMessage::header(head, "Authorization") != "Basic " + response.credentials.toBase64()) {
        response = {.status = 401, .reason = "Unauthorized", .body = "<html><body>Unauthorized</body></html>"};
        extra.append("WWW-Authenticate: Basic realm=\"ciarla\"");
    }
    *close = HttpTestMessage::header(head, "Connection").toLower() == "close" || response.cutAfter >= 0;
    if (*close)
        extra.append("Connection: close");
    return HttpTestMessage::responseHead(response.status, response.reason, response.contentType, response.body.size(),
                                         extra)
        + (response.cutAfter >= 0 ? response.body.left(response.cutAfter) : response.body);
}
