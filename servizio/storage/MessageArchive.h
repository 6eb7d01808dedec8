#pragma once

#include "ChatMessage.h"

#include <QList>
#include <QString>
#include <memory>

struct sqlite3;
class SqliteStatement;

// The rooms' messages in an SQLite file (write-ahead log, every commit synced):
// a message that store() accepted survives the end of the process, however abrupt.
// The file's schema is created and brought up to date on open.
class MessageArchive
{
public:
    MessageArchive();
    ~MessageArchive();
    MessageArchive(const MessageArchive &) = delete;
    MessageArchive &operator=(const MessageArchive &) = delete;

    // On failure `error` says why, in Italian.
    bool open(const QString &file, QString *error);

    // Adds the message and forgets all but the room's newest `keep`; true once it is on disk.
    bool store(const QString &room, const ChatMessage &message, int keep);
    // Oldest first.
    QList<ChatMessage> newest(const QString &room, int count);

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
