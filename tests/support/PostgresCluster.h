#pragma once

#include <QStringList>
#include <QTemporaryDir>
#include <optional>

// A PostgreSQL 15 cluster of its own for a test or a bench: initdb in a temporary folder,
// trust authentication, a free loopback port. As root it runs as "postgres" (or "nobody"):
// PostgreSQL refuses to run as root.
class PostgresCluster
{
public:
    ~PostgresCluster() { stop(); }

    // The first call makes the cluster; later ones start it again on the same port. False with error().
    bool start();
    bool stop();
    // `signal` to the server and every process it started: SIGSTOP makes a host that hangs.
    bool signalAll(int signal);
    QString error() const { return m_error; }
    QString uri() const { return QStringLiteral("postgresql://postgres@127.0.0.1:%1/postgres").arg(m_port); }
    // One SQL command run by psql: its rows, one a line, columns split by '|'.
    std::optional<QByteArray> query(const QString &sql);

private:
    bool initialise();
    // `program` run as the cluster's owner; its standard output, or nothing on failure.
    std::optional<QByteArray> run(const QString &program, const QStringList &arguments, bool asOwner = true);

    QTemporaryDir m_dir;
    QString m_user; // who runs the server when we are root; empty otherwise
    quint16 m_port = 0;
    QString m_error;
};
