#pragma once

#include "MessageArchive.h"

struct sqlite3;
class SqliteStatement;

// The rooms' messages in an SQLite file (write-ahead log, every commit synced):
// a message that store() accepted survives the end of the process, however abrupt.
// The file's schema is created and brought up to date on open. The flood guard is
// the service's own: no other process writes the file.
class SqliteArchive : public MessageArchive
{
public:
    SqliteArchive();
    ~SqliteArchive() override;
    SqliteArchive(const SqliteArchive &) = delete;
    SqliteArchive &operator=(const SqliteArchive &) = delete;

    // On failure `error` says why, in Italian.
    bool open(const QString &file, QString *error);

    Outcome store(const QString &room, const ChatMessage &message, int keep) override;
    std::optional<QList<ChatMessage>> newest(const QString &room, int count) override;

private:
    bool migrate(QString *error);
    int userVersion(); // -1 when unreadable
    bool exec(const char *sql);
    QString lastError() const;

    sqlite3 *m_db = nullptr;
    std::unique_ptr<SqliteStatement> m_insert;
    std::unique_ptr<SqliteStatement> m_prune;
    std::unique_ptr<SqliteStatement> m_newest;
};
