#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <functional>
#include <memory>

class QSocketNotifier;
struct pg_conn;
struct pg_result;

// One libpq session that comes back by itself: every call first reconnects a
// session that was lost, at most once in `retryMs`, and runs `setup` on each new
// session. Calls wait for the server until the deadline set last, no longer: a
// server that does not answer by then is taken for gone and its session dropped,
// which ends its transaction. Used from one thread.
class PgConnection
{
public:
    // A finished query: its rows, or the reason it failed.
    class Result
    {
    public:
        explicit Result(pg_result *result, bool lost = false);
        bool ok() const { return m_ok; }
        // The session ended before an answer came: whatever was sent may or may not have been done.
        bool lost() const { return m_lost; }
        int rows() const;
        QString text(int row, int column) const;

    private:
        std::shared_ptr<pg_result> m_result;
        bool m_ok = false;
        bool m_lost = false;
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

    // The calls from now on end by `deadline`.
    void setDeadline(QDeadlineTimer deadline) { m_deadline = deadline; }
    bool ensureOpen();
    bool reconnect(); // at once, however recent the last attempt
    bool isOpen() const;
    // Runs `statement` on the session now, when there is one, and on every new session from now on.
    void addSetup(const QByteArray &statement);
    // `sql` with $1, $2 ... taken from `parameters` as text; several statements only without parameters.
    Result exec(const QByteArray &sql, const QList<QByteArray> &parameters = {});
    QString lastError() const;
    int backendPid() const;
    // From now on `readable` runs in this thread's event loop whenever the server sent something
    // unasked; it watches each session's socket only while libpq keeps it open. Empty: nobody watches.
    void watch(std::function<void()> readable);
    // Reads what the server sent unasked; false when that showed the session lost.
    bool readNotifications(QList<Notification> *notifications);

    static constexpr qint64 retryMs = 500;

private:
    bool connect();
    bool connecting();
    // Until the socket is ready for `events` or the deadline has passed.
    bool waitFor(short events);
    Result lose();
    void close();
    void dropNotifier();
    void follow();
    static void notice(void *, const char *message);

    QByteArray m_uri;
    QList<QByteArray> m_setup;
    pg_conn *m_conn = nullptr;
    QDeadlineTimer m_deadline;
    QElapsedTimer m_lastAttempt;
    QString m_error; // why the last session was given up, when it was
    std::function<void()> m_readable;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
