#pragma once

#include <QByteArray>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>

class QAuthenticator;
class QNetworkAccessManager;

// The Internet transfer control of the fetch engine, over QNetworkAccessManager.
// It offers the members the engine uses, under their names: an HTTP GET that
// runs in the background and reports its progress through StateChanged, the
// body read back in chunks of text, and a fetch that hands the whole body to a
// continuation once it is in.
class InternetTransfer : public QObject
{
    Q_OBJECT
public:
    // DefaultAccess: the system's own configuration, the proxy environment variables.
    enum AccessTypes { DefaultAccess = 0, NamedProxy = 2 };
    enum States : qint16 {
        Connecting = 3,
        RequestSent = 6,
        ReceivingResponse = 7,
        ResponseReceived = 8,
        Error = 11,
        ResponseCompleted = 12,
    };

    // The manager outlives the control so that its connections are reused.
    explicit InternetTransfer(QNetworkAccessManager &manager, QObject *parent = nullptr);
    ~InternetTransfer() override;

    void setURL(const QString &url) { m_url = url; }
    void setAccessType(int accessType) { m_accessType = accessType; }
    void setProxy(const QString &proxy) { m_proxy = proxy; }
    void setRemotePort(quint16 port) { m_remotePort = port; }
    void setUserName(const QString &userName) { m_userName = userName; }
    void setPassword(const QString &password) { m_password = password; }
    // Seconds; bounds OpenURL from start to end.
    void setRequestTimeout(int seconds) { m_requestTimeout = seconds; }

    // Starts the request and returns; throws RuntimeError when the address is rejected.
    void Execute(const QString &operation);
    // Starts a GET and calls `fine` with the body once it is in (with the empty
    // text after an error state); throws RuntimeError when the address is rejected.
    void OpenURL(std::function<void(const QString &)> fine);
    // The next piece of the body, at most `size` characters; empty at the end.
    QString GetChunk(int size);
    bool StillExecuting() const { return m_reply != nullptr; }
    void Cancel();

    qint32 ResponseCode() const { return m_responseCode; }
    QString ResponseInfo() const { return m_responseInfo; }

Q_SIGNALS:
    void StateChanged(qint16 State);

private:
    void start(const QString &operation);
    void forgetOtherCredentials();
    QNetworkProxy proxyForRequest(const QUrl &url) const;
    void setState(qint16 state);
    void finished();
    void fail(qint32 number, const QString &description);
    void authenticate(bool &offered, QAuthenticator *authenticator);
    void detachReply();

    QNetworkAccessManager &m_manager;
    QString m_url;
    int m_accessType = DefaultAccess;
    QString m_proxy;
    quint16 m_remotePort = 0;
    QString m_userName;
    QString m_password;
    int m_requestTimeout = 0;

    QPointer<QNetworkReply> m_reply;
    struct
    {
        bool server = false;
        bool proxy = false;
    } m_credentialsOffered;
    bool m_timedOut = false;
    // The server's certificate did not verify; the request then fails, never goes on.
    bool m_certificateRejected = false;
    QTimer m_timeout;
    std::function<void(const QString &)> m_fine;
    qint32 m_responseCode = 0;
    QString m_responseInfo;
    QString m_body;
    qsizetype m_chunkPosition = 0;
};
