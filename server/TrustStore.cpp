#include "TrustStore.h"

#include <QSslCertificate>
#include <QSslConfiguration>

void TrustStore::applyEnvironment()
{
    const QString bundle = qEnvironmentVariable("SSL_CERT_FILE");
    if (bundle.isEmpty())
        return;
    const QList<QSslCertificate> authorities = QSslCertificate::fromPath(bundle);
    if (authorities.isEmpty())
        return;
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setCaCertificates(authorities);
    QSslConfiguration::setDefaultConfiguration(configuration);
}
