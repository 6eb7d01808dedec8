#include "TestAuthority.h"

#include <QFile>
#include <QProcess>
#include <QSslKey>

using namespace Qt::StringLiterals;

TestAuthority::TestAuthority(const QString &name)
{
    m_ok = openssl(name, {}, u"ca"_s);
}

QSslConfiguration TestAuthority::issue(const QString &subjectAltName)
{
    const QString name = u"server%1"_s.arg(++m_issued);
    openssl(u"ciarla"_s, {u"-CA"_s, u"ca.pem"_s, u"-CAkey"_s, u"ca.key"_s, u"-addext"_s, u"subjectAltName="_s + subjectAltName},
            name);
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    QFile key(m_dir.filePath(name + u".key"_s));
    if (key.open(QIODevice::ReadOnly))
        configuration.setPrivateKey(QSslKey(&key, QSsl::Ec));
    configuration.setLocalCertificateChain(QSslCertificate::fromPath(m_dir.filePath(name + u".pem"_s)));
    return configuration;
}

bool TestAuthority::openssl(const QString &subject, const QStringList &more, const QString &name)
{
    QProcess tool;
    tool.setWorkingDirectory(m_dir.path());
    tool.start(u"openssl"_s, QStringList{u"req"_s, u"-x509"_s, u"-newkey"_s, u"ec"_s, u"-pkeyopt"_s,
                                         u"ec_paramgen_curve:prime256v1"_s, u"-nodes"_s, u"-days"_s, u"2"_s,
                                         u"-subj"_s, u"/CN="_s + subject, u"-keyout"_s, name + u".key"_s,
                                         u"-out"_s, name + u".pem"_s} + more);
    const bool done = tool.waitForFinished(60000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
    if (!done)
        qWarning("openssl: %s", tool.readAllStandardError().constData());
    return done;
}
