#include "PostgresCluster.h"

#include "TestHttpServer.h"

#include <QFile>
#include <QProcess>
#include <pwd.h>
#include <unistd.h>

PostgresCluster::~PostgresCluster()
{
    if (m_running)
        stop();
}

bool PostgresCluster::start()
{
    if (m_port == 0 && !initialise())
        return false;
    const QString log = m_dir.filePath(QStringLiteral("server.log"));
    m_running = run(QStringLiteral("pg_ctl"),
                    {QStringLiteral("start"), QStringLiteral("-w"), QStringLiteral("-D"), m_dir.filePath("dati"),
                     QStringLiteral("-l"), log, QStringLiteral("-o"),
                     QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1").arg(m_port).arg(m_dir.path())})
                    .has_value();
    QFile reason(log);
    if (!m_running && reason.open(QIODevice::ReadOnly))
        m_error += QStringLiteral("\nserver log: ") + QString::fromUtf8(reason.readAll().right(2000));
    return m_running;
}

bool PostgresCluster::initialise()
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder: ") + m_dir.errorString();
        return false;
    }
    if (geteuid() == 0) {
        const passwd *owner = getpwnam("postgres") ? getpwnam("postgres") : getpwnam("nobody");
        if (!owner || chown(qPrintable(m_dir.path()), owner->pw_uid, owner->pw_gid) != 0) {
            m_error = QStringLiteral("running as root, and no unprivileged user to own the cluster");
            return false;
        }
        m_user = QString::fromLocal8Bit(owner->pw_name);
    }
    m_port = TestHttpServer::closedPort();
    return run(QStringLiteral("initdb"), {QStringLiteral("-D"), m_dir.filePath("dati"), QStringLiteral("-U"),
                                          QStringLiteral("postgres"), QStringLiteral("--auth=trust"),
                                          QStringLiteral("-E"), QStringLiteral("UTF8")})
        .has_value();
}

bool PostgresCluster::stop()
{
    m_running = !run(QStringLiteral("pg_ctl"), {QStringLiteral("stop"), QStringLiteral("-w"), QStringLiteral("-m"),
                                                QStringLiteral("fast"), QStringLiteral("-D"), m_dir.filePath("dati")});
    return !m_running;
}

QString PostgresCluster::uri() const
{
    return QStringLiteral("postgresql://postgres@127.0.0.1:%1/postgres").arg(m_port);
}

std::optional<QByteArray> PostgresCluster::query(const QString &sql)
{
    return run(QStringLiteral("psql"), {QStringLiteral("-XAt"), QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                                        QStringLiteral("-d"), uri(), QStringLiteral("-c"), sql},
               false);
}

std::optional<QByteArray> PostgresCluster::run(const QString &program, const QStringList &arguments, bool asOwner)
{
    const QString path = QStringLiteral("/usr/lib/postgresql/15/bin/") + program;
    QProcess process;
    if (asOwner && !m_user.isEmpty())
        process.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), m_user, QStringLiteral("--"), path}
                                                    + arguments);
    else
        process.start(path, arguments);
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return process.readAllStandardOutput();
    m_error = QStringLiteral("%1 failed (%2): %3")
                  .arg(path, process.errorString(), QString::fromLocal8Bit(process.readAllStandardError()));
    return std::nullopt;
}
