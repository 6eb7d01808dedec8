#pragma once

#include "MessageArchive.h"

#include <QTimer>

struct sqlite3;
class SqliteStatement;

// The rooms' messages in an SQLite file (write-ahead log, every commit synced):
// a message that store() accepted survives the end of the process, however abrupt.
// The file's schema is created and brought up to date on open. The flood guard is
// the service's own: no other process writes the file. Searches go through a
// full-text index of the texts that triggers keep in step with the messages.
class SqliteArchive : public MessageArchive
{
public:
    SqliteArchive();
    ~SqliteArchive() override;
    SqliteArchive(const SqliteArchive &) = delete;
    SqliteArchive &operator=(const SqliteArchive &) = delete;

    // On failure `error` says why, in Italian.
    bool open(const QString &file, QString *error);

    Outcome store(ChatMessage &message) override;
    Rows before(const QString &room, qint64 beforeId, int limit) override;
    Rows after(const QString &room, qint64 afterId, int limit) override;
    Rows search(const QStringList &words, const QString &room, qint64 beforeId, int limit) override;
    int purge(const QDateTime &cutoff, int batch) override;
    void watch(const Changed &changed) override;

    Rows latest(const QString &room, qint64 beforeId, int limit) override;
    Change hide(const QList<qint64> &ids, const QString &operatorName, const QString &reason,
                qint64 *unknownId) override;
    std::optional<QList<AuditEntry>> audit(int limit) override;
    std::optional<qint64> lastAuditId() override;
    std::optional<ModerationNews> moderationAfter(qint64 afterId, int limit) override;
    int eraseAddresses(const QDateTime &cutoff, int batch) override;

    static constexpr int pollMs = 200; // how often a watch looks for other processes' commits

protected:
    bool moderating(const std::function<bool()> &work) override;
    std::optional<QList<Ban>> bansInForce(qint64 id) override;
    qint64 insertBan(const Ban &ban) override;
    bool removeBan(qint64 id) override;
    bool audited(const AuditEntry &entry, qint64 messageId) override;

private:
    bool inTransaction(const std::function<bool()> &work);
    int changedBefore(SqliteStatement &statement, const QDateTime &cutoff, int batch);
    qint64 dataVersion();
    bool migrate(QString *error);
    int userVersion(); // -1 when unreadable
    bool exec(const char *sql);
    QString lastError() const;
    static Rows rows(SqliteStatement &statement);

    sqlite3 *m_db = nullptr;
    std::unique_ptr<SqliteStatement> m_insert;
    std::unique_ptr<SqliteStatement> m_before;
    std::unique_ptr<SqliteStatement> m_after;
    std::unique_ptr<SqliteStatement> m_search;
    std::unique_ptr<SqliteStatement> m_purge;
    std::unique_ptr<SqliteStatement> m_erase;
    Changed m_changed;
    std::unique_ptr<QTimer> m_poll;
    qint64 m_dataVersion = -1;
};
