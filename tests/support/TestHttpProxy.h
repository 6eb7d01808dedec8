#pragma once

#include <QByteArray>
#include <QObject>
#include <QTcpServer>

class QTcpSocket;

// An HTTP proxy on 127.0.0.1 for the tests: it counts the requests it gets,
// refuses with 407 those without the expected Basic credentials, and forwards
// the others to their server (one request per connection).
class TestHttpProxy : public QObject
{
    Q_OBJECT
public:
    explicit TestHttpProxy(QObject *parent = nullptr);

    quint16 port() const { return m_server.serverPort(); }
    // Empty: every request is forwarded.
    void setCredentials(const QByteArray &user, const QByteArray &password)
    {
        m_credentials = user.isEmpty() ? QByteArray() : user + ':' + password;
    }

    int requestCount() const { return m_requests; }
    int forwardedCount() const { return m_forwarded; }

private:
    void serve(QTcpSocket *client);
    void forward(QTcpSocket *client, const QByteArray &head);

    QTcpServer m_server;
    QByteArray m_credentials;
    int m_requests = 0;
    int m_forwarded = 0;
};
