#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QSslConfiguration>
#include <QString>
#include <QTcpServer>
#include <memory>

class QTcpSocket;

// An HTTP/1.1 server on 127.0.0.1 for the tests. Each path answers as told:
// any status, headers and charset, half-way, or never; unknown paths
// get 404. Connections are kept alive between requests. It is also the tests'
// HTTP proxy: a request for an absolute address is counted as proxied and
// answered from the same table, once it brings the proxy credentials if any.
class TestHttpServer : public QObject
{
    Q_OBJECT
public:
    struct Response
    {
        int status = 200;
        QByteArray reason = "OK";
        QByteArray contentType = "text/html; charset=utf-8";
        QByteArray body = {};
            bool neverAnswer = false; // takes the request and never answers it
        // Announces the whole body but sends only this many bytes, then closes.
        qsizetype cutAfter = -1;
        // "user:password" that Basic authentication must give; 401 otherwise.
        QByteArray credentials = {};
    };

    // Speaks https when given a certificate.
    explicit TestHttpServer(const QSslConfiguration &tls = {});

    quint16 port() const { return m_server->serverPort(); }
    QString url(const QString &path) const;
    void setResponse(const QString &path, const Response &response) { m_responses.insert(path, response); }
    void setBody(const QString &path, const QByteArray &body, const QByteArray &contentType = "text/html; charset=utf-8")
    {
        setResponse(path, {.contentType = contentType, .body = body});
    }

    // "user:password" that a proxied request must give; 407 otherwise.
    void setProxyCredentials(const QByteArray &credentials) { m_proxyCredentials = credentials; }

    int requestCount(const QString &path) const { return m_requests.value(path); }
    int proxiedCount() const { return m_proxied; }
    // Connections that the client closed while their request was still unanswered.
    int abandonedRequests() const { return m_abandoned; }

    // A loopback port on which nobody listens any more.
    static quint16 closedPort();

private:
    void serve(QTcpSocket *socket);
    QByteArray answer(const QString &path, const QByteArray &head, bool proxied, bool *close) const;

    std::unique_ptr<QTcpServer> m_server;
    QHash<QString, Response> m_responses;
    QHash<QString, int> m_requests;
    QByteArray m_proxyCredentials;
    int m_proxied = 0;
    int m_abandoned = 0;
};
