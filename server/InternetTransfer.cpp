#include "InternetTransfer.h"

#include "BodyText.h"
#include "EnvironmentProxy.h"
#include "RuntimeError.h"
#include "TransferError.h"

#include <QAuthenticator>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {
// Replies of the server itself, whatever their status, carry a body to deliver;
// everything else is a failure of the transfer.
bool isServerReply(const QNetworkReply &reply)
{
    if (!reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
        return false;
    switch (reply.error()) {
    case QNetworkReply::NoError:
    case QNetworkReply::ContentAccessDenied:
    case QNetworkReply::ContentOperationNotPermittedError:
    case QNetworkReply::ContentNotFoundError:
    case QNetworkReply::ContentReSendError:
    case QNetworkReply::ContentConflictError:
    case QNetworkReply::ContentGoneError:
    case QNetworkReply::InternalServerError:
    case QNetworkReply::OperationNotImplementedError:
    case QNetworkReply::ServiceUnavailableError:
    case QNetworkReply::UnknownServerError:
    case QNetworkReply::UnknownContentError:
    case QNetworkReply::ProtocolInvalidOperationError:
    // A login the server or proxy refused still comes with its page.
    case QNetworkReply::AuthenticationRequiredError:
    case QNetworkReply::ProxyAuthenticationRequiredError:
        return true;
    default:
        return false;
    }
}

[[noreturn]] void reject(TransferError::Number number)
{
    throw RuntimeError(number, TransferError::text(number));
}

QUrl checkedUrl(const QString &text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (text.trimmed().isEmpty() || !url.isValid() || url.scheme().isEmpty())
        reject(TransferError::InvalidUrl);
    const QString scheme = url.scheme().toLower();
    if (scheme != u"http"_s && scheme != u"https"_s)
        reject(TransferError::UnknownScheme);
    if (url.host().isEmpty())
        reject(TransferError::InvalidUrl);
    return url;
}
} // namespace

InternetTransfer::InternetTransfer(QNetworkAccessManager &manager, QObject *parent)
    : QObject(parent)
    , m_manager(manager)
{
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        m_timedOut = true;
        if (m_reply)
            m_reply->abort();
    });
    connect(&m_manager, &QNetworkAccessManager::authenticationRequired, this,
            [this](QNetworkReply *reply, QAuthenticator *authenticator) {
                if (reply == m_reply)
                    authenticate(m_credentialsOffered.server, authenticator);
            });
    // One request at a time runs on the manager, so a proxy's challenge is ours.
    connect(&m_manager, &QNetworkAccessManager::proxyAuthenticationRequired, this,
            [this](const QNetworkProxy &, QAuthenticator *authenticator) {
                if (m_reply)
                    authenticate(m_credentialsOffered.proxy, authenticator);
            });
}

InternetTransfer::~InternetTransfer()
{
    Cancel();
}

void InternetTransfer::Execute(const QString &operation)
{
    start(operation);
}

void InternetTransfer::OpenURL(std::function<void(const QString &)> fine)
{
    start(u"GET"_s);
    m_fine = std::move(fine);
    if (m_requestTimeout > 0)
        m_timeout.start(m_requestTimeout * 1000);
}

QString InternetTransfer::GetChunk(int size)
{
    const QString chunk = m_body.mid(m_chunkPosition, size);
    m_chunkPosition += chunk.size();
    return chunk;
}

void InternetTransfer::Cancel()
{
    m_timeout.stop();
    m_fine = nullptr;
    if (QNetworkReply *reply = m_reply) {
        detachReply();
        reply->abort();
        reply->deleteLater();
    }
}

void InternetTransfer::start(const QString &operation)
{
    Cancel();
    m_responseCode = 0;
    m_responseInfo.clear();
    m_body.clear();
    m_chunkPosition = 0;
    m_credentialsOffered = {};
    m_timedOut = false;
    m_certificateRejected = false;

    const QUrl url = checkedUrl(m_url);
    QNetworkRequest request(url);
    forgetOtherCredentials();
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    m_manager.setProxy(proxyForRequest(url));
    m_reply = m_manager.sendCustomRequest(request, operation.toLatin1());

    connect(m_reply, &QNetworkReply::socketStartedConnecting, this, [this] { setState(Connecting); });
    connect(m_reply, &QNetworkReply::requestSent, this, [this] { setState(RequestSent); });
    connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] { setState(ReceivingResponse); });
    connect(m_reply, &QNetworkReply::sslErrors, this, [this] { m_certificateRejected = true; });
    connect(m_reply, &QNetworkReply::finished, this, &InternetTransfer::finished);
}

// The manager remembers the credentials that worked and offers them again by
// itself; once the settings name others, what it remembers must go.
void InternetTransfer::forgetOtherCredentials()
{
    static const char property[] = "ciarlaCredentials";
    const QStringList credentials{m_userName, m_password};
    if (m_manager.property(property).toStringList() == credentials)
        return;
    m_manager.clearAccessCache();
    m_manager.setProperty(property, credentials);
}

QNetworkProxy InternetTransfer::proxyForRequest(const QUrl &url) const
{
    if (m_accessType == NamedProxy)
        return QNetworkProxy(QNetworkProxy::HttpProxy, m_proxy, m_remotePort);
    return EnvironmentProxy::forUrl(url);
}

void InternetTransfer::setState(qint16 state)
{
    Q_EMIT StateChanged(state);
}

void InternetTransfer::finished()
{
    QNetworkReply *reply = m_reply;
    if (!reply)
        return;
    detachReply();
    reply->deleteLater();
    m_timeout.stop();
    auto fine = std::move(m_fine);
    m_fine = nullptr;

    // A refused login leaves its connection unable to try again: start the next request afresh.
    if (reply->error() == QNetworkReply::AuthenticationRequiredError
        || reply->error() == QNetworkReply::ProxyAuthenticationRequiredError)
        m_manager.clearConnectionCache();
    if (m_timedOut) {
        fail(TransferError::TimedOut, TransferError::text(TransferError::TimedOut));
    } else if (m_certificateRejected) {
        fail(TransferError::InvalidCertificate, TransferError::invalidCertificate(reply->url().host()));
    } else if (isServerReply(*reply)) {
        setState(ResponseReceived);
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status >= 400) {
            m_responseCode = status;
            m_responseInfo = QString::fromLatin1(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray());
        }
        m_body = BodyText::decode(reply->readAll(), reply->header(QNetworkRequest::ContentTypeHeader).toByteArray());
        setState(ResponseCompleted);
    } else {
        qint32 number = TransferError::numberFor(reply->error());
        // Through a proxy, the only host we connect to is the proxy.
        if (m_accessType == NamedProxy && (number == TransferError::CannotConnect || number == TransferError::NameNotResolved))
            number = TransferError::ProxyUnreachable;
        // Qt's own error text may hold the address, credentials included: only its number goes out.
        fail(number, number == TransferError::Internal
                         ? TransferError::text(number) + u" (%1)"_s.arg(int(reply->error()))
                         : TransferError::text(number));
    }
    if (fine)
        fine(m_body);
}

void InternetTransfer::fail(qint32 number, const QString &description)
{
    m_responseCode = number;
    m_responseInfo = description;
    setState(Error);
}

void InternetTransfer::authenticate(bool &offered, QAuthenticator *authenticator)
{
    // Offered once per request: asked again, the credentials were refused.
    if (offered || m_userName.isEmpty())
        return;
    offered = true;
    authenticator->setUser(m_userName);
    authenticator->setPassword(m_password);
}

void InternetTransfer::detachReply()
{
    if (m_reply)
        disconnect(m_reply, nullptr, this, nullptr);
    m_reply = nullptr;
}
