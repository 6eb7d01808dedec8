#pragma once

#include <QSslConfiguration>
#include <QTemporaryDir>

// A certificate authority made with the openssl tool for one test run, and the
// server certificates it issues; the keys go with the object's temporary folder.
class TestAuthority
{
public:
    explicit TestAuthority(const QString &name);

    bool ok() const { return m_ok; }
    QString certificateFile() const { return m_dir.filePath(QStringLiteral("ca.pem")); }
    // A server's TLS settings with a certificate for subjectAltName, e.g. "IP:127.0.0.1".
    QSslConfiguration issue(const QString &subjectAltName);

private:
    bool openssl(const QString &subject, const QStringList &more, const QString &name);

    QTemporaryDir m_dir;
    int m_issued = 0;
    bool m_ok = false;
};
