#include "TestAuthority.h"

#include <QFile>
#include <QProcess>
#include <QSslKey>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
const QStringList newKey{u"-newkey"_s, u"ec"_s, u"-pkeyopt"_s, u"ec_paramgen_curve:prime256v1"_s, u"-nodes"_s,
                         u"-days"_s, u"2"_s};
}

TestAuthority::TestAuthority(const QString &name)
{
    m_ok = openssl(QStringList{u"req"_s, u"-x509"_s, u"-subj"_s, u"/CN="_s + name, u"-keyout"_s, u"ca.key"_s,
                               u"-out"_s, u"ca.pem"_s} + newKey);
}

QSslConfiguration TestAuthority::issue(const QString &subjectAltName)
{
    const QString base = u"server%1"_s.arg(++m_issued);
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    if (!openssl(QStringList{u"req"_s, u"-x509"_s, u"-CA"_s, u"ca.pem"_s, u"-CAkey"_s, u"ca.key"_s, u"-subj"_s,
                             u"/CN=ciarla"_s, u"-addext"_s, u"subjectAltName="_s + subjectAltName, u"-keyout"_s,
                             base + u".key"_s, u"-out"_s, base + u".pem"_s} + newKey))
        return configuration;
    QFile key(m_dir.filePath(base + u".key"_s));
    key.open(QIODevice::ReadOnly);
    configuration.setPrivateKey(QSslKey(&key, QSsl::Ec));
    configuration.setLocalCertificateChain(QSslCertificate::fromPath(m_dir.filePath(base + u".pem"_s)));
    return configuration;
}

bool TestAuthority::openssl(const QStringList &arguments)
{
    QProcess tool;
    tool.setWorkingDirectory(m_dir.path());
    tool.start(u"openssl"_s, arguments);
    const bool done = tool.waitForFinished(60000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
    if (!done)
        qWarning("openssl %s failed: %s", qPrintable(arguments.join(u' ')), tool.readAllStandardError().constData());
    return done;
}
