#include "TransferError.h"

using namespace Qt::StringLiterals;

QString TransferError::text(qint32 number)
{
    switch (number) {
    case TimedOut:
        return u"Il tempo per la richiesta è scaduto."_s;
    case InvalidUrl:
        return u"L'indirizzo URL non è valido."_s;
    case UnknownScheme:
        return u"Il protocollo dell'indirizzo URL non è riconosciuto."_s;
    case NameNotResolved:
        return u"Impossibile risolvere il nome del server."_s;
    case CannotConnect:
        return u"Impossibile stabilire una connessione con il server."_s;
    case ConnectionAborted:
        return u"La connessione con il server è stata interrotta."_s;
    case InvalidServerResponse:
        return u"Il server ha restituito una risposta non valida."_s;
    case ProxyUnreachable:
        return u"Impossibile raggiungere il server proxy."_s;
    case SecureChannel:
        return u"Impossibile stabilire una connessione protetta con il server."_s;
    case ServerAuthentication:
        return u"Autenticazione presso il server non riuscita: nome utente o password non validi."_s;
    case ProxyAuthentication:
        return u"Autenticazione presso il server proxy non riuscita: nome utente o password non validi."_s;
    default:
        return u"Errore interno nel trasferimento."_s;
    }
}

QString TransferError::invalidCertificate(const QString &host)
{
    return u"Il certificato del server %1 non è valido."_s.arg(host);
}

qint32 TransferError::numberFor(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
        return CannotConnect;
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
        return ConnectionAborted;
    case QNetworkReply::HostNotFoundError:
        return NameNotResolved;
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError:
        return TimedOut;
    case QNetworkReply::SslHandshakeFailedError:
        return SecureChannel;
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
        return ProxyUnreachable;
    case QNetworkReply::ProxyAuthenticationRequiredError:
        return ProxyAuthentication;
    case QNetworkReply::AuthenticationRequiredError:
        return ServerAuthentication;
    case QNetworkReply::ProtocolUnknownError:
        return UnknownScheme;
    case QNetworkReply::ProtocolFailure:
    case QNetworkReply::ProtocolInvalidOperationError:
        return InvalidServerResponse;
    default:
        return Internal;
    }
}
