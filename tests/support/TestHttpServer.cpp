#include "TestHttpServer.h"

#include <QSslServer>
#include <QTcpSocket>
#include <QUrl>
#include <memory>

namespace {
QByteArray header(const QByteArray &head, const QByteArray &name)
{
    for (const QByteArray &line : head.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}
} // namespace

TestHttpServer::TestHttpServer(const QSslConfiguration &tls)
{
    if (tls.isNull()) {
        m_server = std::make_unique<QTcpServer>();
    } else {
        auto server = std::make_unique<QSslServer>();
        server->setSslConfiguration(tls);
        m_server = std::move(server);
    }
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
    connect(socket, &QTcpSocket::readyRead, this, [this, socket, pending] {
        pending->append(socket->readAll());
        for (qsizetype end; (end = pending->indexOf("\r\n\r\n")) >= 0;) {
            const QByteArray head = pending->left(end + 4);
            pending->remove(0, end + 4);
            // The request line's target: a path, or an absolute address when we are the proxy.
            const QUrl target(QString::fromLatin1(head.left(head.indexOf("\r\n")).split(' ').value(1)));
            const QString path = target.path();
            ++m_requests[path];
            m_proxied += target.isRelative() ? 0 : 1;
            if (m_responses.value(path).neverAnswer) {
                socket->setProperty("unanswered", true);
                continue;
            }
            bool close = false;
            socket->write(answer(path, head, !target.isRelative(), &close));
            if (close)
                socket->disconnectFromHost();
        }
    });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        m_abandoned += socket->property("unanswered").toBool() ? 1 : 0;
        socket->deleteLater();
    });
}

QByteArray TestHttpServer::answer(const QString &path, const QByteArray &head, bool proxied, bool *close) const
{
    Response response = m_responses.value(path, {.status = 404, .reason = "Not Found", .body = "<html><body>Not Found</body></html>"});
    QByteArray extra;
    if (proxied && !m_proxyCredentials.isEmpty()
        && header(head, "Proxy-Authorization") != "Basic " + m_proxyCredentials.toBase64()) {
        response = {.status = 407, .reason = "Proxy Authentication Required", .body = "<html>proxy</html>"};
        extra = "Proxy-Authenticate: Basic realm=\"proxy\"\r\n";
    } else if (!response.credentials.isEmpty() && header(head, "Authorization") != "Basic " + response.credentials.toBase64()) {
        response = {.status = 401, .reason = "Unauthorized", .body = "<html><body>Unauthorized</body></html>"};
        extra = "WWW-Authenticate: Basic realm=\"ciarla\"\r\n";
    }
    *close = header(head, "Connection").toLower() == "close" || response.cutAfter >= 0;
    if (*close)
        extra += "Connection: close\r\n";
    return "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + response.reason + "\r\nContent-Type: "
        + response.contentType + "\r\nContent-Length: " + QByteArray::number(response.body.size()) + "\r\n" + extra + "\r\n"
        + (response.cutAfter >= 0 ? response.body.left(response.cutAfter) : response.body);
}
