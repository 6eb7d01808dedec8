#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <memory>

struct pg_conn;
struct pg_result;

// One libpq session that comes back by itself: every call first reconnects a
// session that was lost, at most once in `retryMs`, and runs `setup` on each new
// session. Blocking; used from one thread.
class PgConnection
{
public:
    // A finished query: its rows, or the reason it failed.
    class Result
    {
    public:
        explicit Result(pg_result *result);
        bool ok() const { return m_ok; }
        int rows() const;
        QString text(int row, int column) const;

    private:
        std::shared_ptr<pg_result> m_result;
        bool m_ok = false;
    };
    struct Notification
    {
        QString payload;
        int fromPid = 0;
    };

    PgConnection(const QByteArray &uri, QList<QByteArray> setup);
    ~PgConnection();
    PgConnection(const PgConnection &) = delete;
    PgConnection &operator=(const PgConnection &) = delete;

    bool ensureOpen();
    // Runs `statement` on the session now, when there is one, and on every new session from now on.
    void addSetup(const QByteArray &statement);
    // `sql` with $1, $2 ... taken from `parameters` as text; several statements only without parameters.
    Result exec(const QByteArray &sql, const QList<QByteArray> &parameters = {});
    QString lastError() const;
    int socket() const; // -1 without a session
    int backendPid() const;
    // Reads what the server sent unasked; false when that showed the session lost.
    bool readNotifications(QList<Notification> *notifications);

    static constexpr qint64 retryMs = 500;

private:
    bool connect();

    QByteArray m_uri;
    QList<QByteArray> m_setup;
    pg_conn *m_conn = nullptr;
    QElapsedTimer m_lastAttempt;
    QString m_setupError; // why the last new session was given up, when it was
};
