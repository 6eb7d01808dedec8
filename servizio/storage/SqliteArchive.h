#pragma once

#include "MessageArchive.h"

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

private:
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
};
