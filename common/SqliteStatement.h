#pragma once

#include <QByteArray>
#include <QString>

struct sqlite3;
struct sqlite3_stmt;

// A prepared SQLite statement, reset after every run so that it can be used again.
class SqliteStatement
{
public:
    SqliteStatement(sqlite3 *db, const char *sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    bool isValid() const { return m_stmt != nullptr; }
    SqliteStatement &bind(int index, const QString &text);
    SqliteStatement &bind(int index, qint64 number);
    SqliteStatement &bindBlob(int index, const QByteArray &data);

    bool nextRow();  // true while a row is there to read
    bool lastRunFailed() const { return m_lastRunFailed; } // once nextRow() said no more: an error, not the end
    bool execute();  // runs to the end; true on success
    QString text(int column) const;
    qint64 integer(int column) const;
    QByteArray blob(int column) const;

private:
    void rewind();

    sqlite3_stmt *m_stmt = nullptr;
    bool m_failed = false;
    bool m_lastRunFailed = false;
};
