#pragma once

#include <QNetworkReply>
#include <QString>

// The transfer layer's own failure numbers and their Italian texts.
class TransferError
{
public:
    enum Number : qint32 {
        Internal = 12004,
        TimedOut = 12002,
        InvalidUrl = 12005,
        UnknownScheme = 12006,
        NameNotResolved = 12007,
        CannotConnect = 12029,
        ConnectionAborted = 12030,
        InvalidServerResponse = 12152,
        ProxyUnreachable = 12165,
        SecureChannel = 12157,
        InvalidCertificate = 12055,
        ServerAuthentication = 401,
        ProxyAuthentication = 407,
    };

    static QString text(qint32 number);
    // The text of InvalidCertificate, which names the server.
    static QString invalidCertificate(const QString &host);
    // The number for a reply's network failure.
    static qint32 numberFor(QNetworkReply::NetworkError error);
};
