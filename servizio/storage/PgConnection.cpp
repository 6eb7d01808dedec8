#include "PgConnection.h"

#include <QSocketNotifier>
#include <cerrno>
#include <climits>
#include <libpq-fe.h>
#include <poll.h>
#include <unistd.h>

PgConnection::Result::Result(pg_result *result, bool lost)
    : m_result(result, PQclear)
    , m_lost(lost)
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
    , m_deadline(QDeadlineTimer::Forever)
{
}

PgConnection::~PgConnection()
{
    m_notifier.reset();
    PQfinish(m_conn);
}

bool PgConnection::ensureOpen()
{
    if (isOpen())
        return true;
    // A database that is down is not asked again at every request.
    return (!m_lastAttempt.isValid() || m_lastAttempt.hasExpired(retryMs)) && reconnect();
}

bool PgConnection::reconnect()
{
    const bool opened = connect();
    m_lastAttempt.start(); // once the attempt is over, however long it took
    return opened;
}

bool PgConnection::isOpen() const
{
    return m_conn && PQstatus(m_conn) == CONNECTION_OK;
}

void PgConnection::addSetup(const QByteArray &statement)
{
    m_setup.append(statement);
    exec(statement);
}

bool PgConnection::connect()
{
    close();
    // Ours first: what the operator's URI says wins.
    const char *const keys[] = {"connect_timeout", "keepalives_idle", "keepalives_interval", "keepalives_count",
                                "tcp_user_timeout", "dbname", nullptr};
    const char *const values[] = {"5", "10", "5", "2", "10000", m_uri.constData(), nullptr};
    m_conn = PQconnectStartParams(keys, values, 1);
    if (!m_conn) {
        m_error = QStringLiteral("memoria esaurita");
        return false;
    }
    PQsetNoticeProcessor(m_conn, notice, nullptr);
    if (!connecting()) {
        lose();
        return false;
    }
    for (const QByteArray &statement : std::as_const(m_setup)) {
        if (!exec(statement).ok()) {
            if (m_conn) // refused, not lost: the server said why
                m_error = QString::fromUtf8(PQerrorMessage(m_conn)).trimmed();
            close();
            return false;
        }
    }
    follow();
    return true;
}

bool PgConnection::connecting()
{
    PostgresPollingStatusType status = PGRES_POLLING_WRITING;
    while (PQstatus(m_conn) != CONNECTION_BAD) {
        if (status == PGRES_POLLING_OK)
            return true;
        if (status == PGRES_POLLING_FAILED || !waitFor(status == PGRES_POLLING_READING ? POLLIN : POLLOUT))
            return false;
        status = PQconnectPoll(m_conn);
    }
    return false;
}

PgConnection::Result PgConnection::exec(const QByteArray &sql, const QList<QByteArray> &parameters)
{
    if (!m_conn || PQstatus(m_conn) != CONNECTION_OK)
        return Result(nullptr, true);
    QList<const char *> values;
    for (const QByteArray &parameter : parameters)
        values.append(parameter.constData());
    const int sent = parameters.isEmpty()
        ? PQsendQuery(m_conn, sql.constData())
        : PQsendQueryParams(m_conn, sql.constData(), int(values.size()), nullptr, values.constData(), nullptr,
                            nullptr, 0);
    if (!sent)
        return lose();
    // Of several statements the last answer counts, as with PQexec: an error ends them.
    pg_result *last = nullptr;
    for (;;) {
        while (PQisBusy(m_conn)) {
            if (!waitFor(POLLIN) || !PQconsumeInput(m_conn)) {
                PQclear(last);
                return lose();
            }
        }
        pg_result *next = PQgetResult(m_conn);
        if (!next)
            break;
        PQclear(last);
        last = next;
    }
    if (PQstatus(m_conn) == CONNECTION_BAD) {
        PQclear(last);
        return lose();
    }
    return Result(last);
}

bool PgConnection::waitFor(short events)
{
    pollfd watched{PQsocket(m_conn), events, 0};
    for (;;) {
        const qint64 left = m_deadline.remainingTime();
        const int ready = ::poll(&watched, 1, left < 0 ? -1 : int(std::min<qint64>(left, INT_MAX)));
        if (ready > 0)
            return true;
        if (ready == 0) {
            m_error = QStringLiteral("il database non ha risposto in tempo");
            return false;
        }
        if (errno != EINTR)
            return false;
    }
}

PgConnection::Result PgConnection::lose()
{
    if (m_conn && PQstatus(m_conn) == CONNECTION_BAD)
        m_error = QString::fromUtf8(PQerrorMessage(m_conn)).trimmed();
    close();
    return Result(nullptr, true);
}

void PgConnection::close()
{
    // Nobody may watch the socket once libpq has closed it: its number may soon be another's.
    dropNotifier();
    PQfinish(m_conn);
    m_conn = nullptr;
}

void PgConnection::dropNotifier()
{
    // This may run in the notifier's own signal.
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier.release()->deleteLater();
    }
}

QString PgConnection::lastError() const
{
    return m_conn ? QString::fromUtf8(PQerrorMessage(m_conn)).trimmed() : m_error;
}

int PgConnection::backendPid() const
{
    return m_conn ? PQbackendPID(m_conn) : 0;
}

void PgConnection::watch(std::function<void()> readable)
{
    m_readable = std::move(readable);
    dropNotifier();
    follow();
}

void PgConnection::follow()
{
    if (!m_readable || !m_conn || PQstatus(m_conn) != CONNECTION_OK)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(PQsocket(m_conn), QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { m_readable(); });
}

bool PgConnection::readNotifications(QList<Notification> *notifications)
{
    if (!m_conn)
        return false;
    if (!PQconsumeInput(m_conn) || PQstatus(m_conn) != CONNECTION_OK) {
        lose();
        return false;
    }
    while (PGnotify *notify = PQnotifies(m_conn)) {
        notifications->append({QString::fromUtf8(notify->extra), notify->be_pid});
        PQfreemem(notify);
    }
    return true;
}

void PgConnection::notice(void *, const char *message)
{
    // One write, so that the line never lands inside a line of the request log.
    const QByteArray line = "ciarla-servizio: PostgreSQL: " + QByteArray(message).trimmed() + '\n';
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, line.constData(), size_t(line.size()));
}
