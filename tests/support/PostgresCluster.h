#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <optional>

// A PostgreSQL 15 cluster of its own for one test or bench: made by initdb in a
// temporary folder, trust authentication, on a free loopback port, removed at
// the end. PostgreSQL refuses to run as root, so as root it runs as the
// "postgres" user (or "nobody"), which then owns the folder.
class PostgresCluster
{
public:
    PostgresCluster();
    ~PostgresCluster();
    PostgresCluster(const PostgresCluster &) = delete;
    PostgresCluster &operator=(const PostgresCluster &) = delete;

    // The first call makes the cluster; later ones start it again on the same port.
    // False with the reason in error().
    bool start();
    bool stop();
    QString error() const { return m_error; }
    QString uri() const;
    // One SQL statement run by psql; its rows, one a line, columns split by '|'.
    // Nothing on failure, with the reason in error().
    std::optional<QByteArray> query(const QString &sql);

private:
    bool run(const QString &program, const QStringList &arguments, int timeoutMs = 60000);
    bool initialise();

    QTemporaryDir m_dir;
    QString m_data;
    QString m_user; // who runs the server when we are root; empty otherwise
    quint16 m_port = 0;
    bool m_running = false;
    QString m_error;
    QByteArray m_output;
};
