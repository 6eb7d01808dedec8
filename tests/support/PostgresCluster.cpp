#include "PostgresCluster.h"

#include "TestHttpServer.h"

#include <QFile>
#include <QProcess>
#include <pwd.h>
#include <unistd.h>

namespace {
const QString bin = QStringLiteral("/usr/lib/postgresql/15/bin/");
}

PostgresCluster::PostgresCluster()
    : m_data(m_dir.filePath(QStringLiteral("dati")))
{
}

PostgresCluster::~PostgresCluster()
{
    if (m_running)
        stop();
}

bool PostgresCluster::start()
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder: ") + m_dir.errorString();
        return false;
    }
    if (m_port == 0 && !initialise())
        return false;
    const QString options = QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1 -c max_connections=50")
                                .arg(m_port)
                                .arg(m_dir.path());
    m_running = run(bin + QStringLiteral("pg_ctl"),
                    {QStringLiteral("start"), QStringLiteral("-w"), QStringLiteral("-D"), m_data, QStringLiteral("-l"),
                     m_dir.filePath(QStringLiteral("server.log")), QStringLiteral("-o"), options});
    if (!m_running) {
        QFile log(m_dir.filePath(QStringLiteral("server.log")));
        m_error += QStringLiteral("\nserver log: ")
            + (log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll().right(2000)) : QString());
    }
    return m_running;
}

bool PostgresCluster::initialise()
{
    if (geteuid() == 0) {
        const passwd *owner = getpwnam("postgres");
        if (!owner)
            owner = getpwnam("nobody");
        if (!owner || chown(qPrintable(m_dir.path()), owner->pw_uid, owner->pw_gid) != 0) {
            m_error = QStringLiteral("running as root and no unprivileged user to own the cluster");
            return false;
        }
        m_user = QString::fromLocal8Bit(owner->pw_name);
    }
    m_port = TestHttpServer::closedPort();
    return run(bin + QStringLiteral("initdb"),
               {QStringLiteral("-D"), m_data, QStringLiteral("-U"), QStringLiteral("postgres"),
                QStringLiteral("--auth=trust"), QStringLiteral("-E"), QStringLiteral("UTF8"),
                QStringLiteral("--no-instructions")});
}

bool PostgresCluster::stop()
{
    m_running = !run(bin + QStringLiteral("pg_ctl"),
                     {QStringLiteral("stop"), QStringLiteral("-w"), QStringLiteral("-m"), QStringLiteral("fast"),
                      QStringLiteral("-D"), m_data});
    return !m_running;
}

QString PostgresCluster::uri() const
{
    return QStringLiteral("postgresql://postgres@127.0.0.1:%1/postgres").arg(m_port);
}

std::optional<QByteArray> PostgresCluster::query(const QString &sql)
{
    if (!run(QStringLiteral("psql"), {QStringLiteral("-X"), QStringLiteral("-A"), QStringLiteral("-t"),
                                      QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-d"),
                                      uri(), QStringLiteral("-c"), sql}))
        return std::nullopt;
    return m_output;
}

bool PostgresCluster::run(const QString &program, const QStringList &arguments, int timeoutMs)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    if (m_user.isEmpty() || program == QStringLiteral("psql"))
        process.start(program, arguments);
    else
        process.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), m_user, QStringLiteral("--"), program}
                                                    + arguments);
    const bool finished = process.waitForFinished(timeoutMs);
    m_output = process.readAllStandardOutput();
    if (finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return true;
    m_error = QStringLiteral("%1 failed (%2): %3")
                  .arg(program, process.errorString(), QString::fromLocal8Bit(process.readAllStandardError()));
    return false;
}
