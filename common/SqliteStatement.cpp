#include "SqliteStatement.h"

#include <sqlite3.h>

SqliteStatement::SqliteStatement(sqlite3 *db, const char *sql)
{
    if (sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK)
        m_stmt = nullptr;
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_stmt);
}

SqliteStatement &SqliteStatement::bind(int index, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    if (sqlite3_bind_text(m_stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT) != SQLITE_OK)
        m_failed = true;
    return *this;
}

SqliteStatement &SqliteStatement::bind(int index, qint64 number)
{
    if (sqlite3_bind_int64(m_stmt, index, number) != SQLITE_OK)
        m_failed = true;
    return *this;
}

SqliteStatement &SqliteStatement::bindBlob(int index, const QByteArray &data)
{
    // A null pointer would bind NULL; an empty value must stay an empty blob.
    if (sqlite3_bind_blob(m_stmt, index, data.constData() ? data.constData() : "", int(data.size()),
                          SQLITE_TRANSIENT)
        != SQLITE_OK)
        m_failed = true;
    return *this;
}

bool SqliteStatement::nextRow()
{
    const int step = m_stmt && !m_failed ? sqlite3_step(m_stmt) : SQLITE_MISUSE;
    if (step == SQLITE_ROW)
        return true;
    rewind();
    m_lastRunFailed = step != SQLITE_DONE;
    return false;
}

bool SqliteStatement::execute()
{
    const bool ok = m_stmt && !m_failed && sqlite3_step(m_stmt) == SQLITE_DONE;
    rewind();
    return ok;
}

void SqliteStatement::rewind()
{
    if (m_stmt) {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
    m_failed = false;
}

QString SqliteStatement::text(int column) const
{
    const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    return QString::fromUtf8(data, sqlite3_column_bytes(m_stmt, column));
}

qint64 SqliteStatement::integer(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

QByteArray SqliteStatement::blob(int column) const
{
    const void *data = sqlite3_column_blob(m_stmt, column);
    return QByteArray(static_cast<const char *>(data), sqlite3_column_bytes(m_stmt, column));
}
