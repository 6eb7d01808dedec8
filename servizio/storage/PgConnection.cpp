#include "PgConnection.h"

#include <libpq-fe.h>

PgConnection::Result::Result(pg_result *result)
    : m_result(result, PQclear)
{
    const ExecStatusType status = PQresultStatus(result);
    m_ok = result && (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK);
}

int PgConnection::Result::rows() const
{
    return m_ok ? PQntuples(m_result.get()) : 0;
}

QString PgConnection::Result::text(int row, int column) const
{
    return QString::fromUtf8(PQgetvalue(m_result.get(), row, column), PQgetlength(m_result.get(), row, column));
}

PgConnection::PgConnection(const QByteArray &uri, QList<QByteArray> setup)
    : m_uri(uri)
    , m_setup(std::move(setup))
{
}

PgConnection::~PgConnection()
{
    PQfinish(m_conn);
}

bool PgConnection::ensureOpen()
{
    if (m_conn && PQstatus(m_conn) == CONNECTION_OK)
        return true;
    // A database that is down is not asked again at every request.
    if (m_lastAttempt.isValid() && !m_lastAttempt.hasExpired(retryMs))
        return false;
    m_lastAttempt.start();
    return connect();
}

void PgConnection::addSetup(const QByteArray &statement)
{
    m_setup.append(statement);
    exec(statement);
}

bool PgConnection::connect()
{
    PQfinish(m_conn);
    // Ours first: what the operator's URI says wins. A put waits at most this long for an answer.
    const char *const keys[] = {"connect_timeout", "keepalives_idle", "keepalives_interval", "keepalives_count",
                                "tcp_user_timeout", "dbname", nullptr};
    const char *const values[] = {"5", "10", "5", "2", "10000", m_uri.constData(), nullptr};
    m_conn = PQconnectdbParams(keys, values, 1);
    if (PQstatus(m_conn) != CONNECTION_OK)
        return false;
    for (const QByteArray &statement : m_setup) {
        if (!exec(statement).ok()) {
            m_setupError = lastError();
            PQfinish(m_conn);
            m_conn = nullptr;
            return false;
        }
    }
    return true;
}

PgConnection::Result PgConnection::exec(const QByteArray &sql, const QList<QByteArray> &parameters)
{
    if (!m_conn || PQstatus(m_conn) != CONNECTION_OK)
        return Result(nullptr);
    if (parameters.isEmpty())
        return Result(PQexec(m_conn, sql.constData()));
    QList<const char *> values;
    for (const QByteArray &parameter : parameters)
        values.append(parameter.constData());
    return Result(PQexecParams(m_conn, sql.constData(), int(values.size()), nullptr, values.constData(), nullptr,
                               nullptr, 0));
}

QString PgConnection::lastError() const
{
    return m_conn ? QString::fromUtf8(PQerrorMessage(m_conn)).trimmed() : m_setupError;
}

int PgConnection::socket() const
{
    return m_conn && PQstatus(m_conn) == CONNECTION_OK ? PQsocket(m_conn) : -1;
}

int PgConnection::backendPid() const
{
    return m_conn ? PQbackendPID(m_conn) : 0;
}

bool PgConnection::readNotifications(QList<Notification> *notifications)
{
    if (!m_conn || !PQconsumeInput(m_conn))
        return false;
    while (PGnotify *notify = PQnotifies(m_conn)) {
        notifications->append({QString::fromUtf8(notify->extra), notify->be_pid});
        PQfreemem(notify);
    }
    return PQstatus(m_conn) == CONNECTION_OK;
}
