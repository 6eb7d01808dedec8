#pragma once

#include <QSslConfiguration>
#include <QString>
#include <QTemporaryDir>

// A certificate authority made for one test run with the openssl tool, and the
// server certificates it issues. Nothing is kept: the keys live in a temporary
// folder that goes with the object.
class TestAuthority
{
public:
    // Fails the calling test when openssl is missing or refuses.
    explicit TestAuthority(const QString &name);

    QString certificateFile() const { return m_dir.filePath(QStringLiteral("ca.pem")); }
    // A server's TLS settings with a certificate for subjectAltName, e.g. "IP:127.0.0.1".
    QSslConfiguration issue(const QString &subjectAltName);
    bool ok() const { return m_ok; }

private:
    bool openssl(const QStringList &arguments);

    QTemporaryDir m_dir;
    int m_issued = 0;
    bool m_ok = false;
};
