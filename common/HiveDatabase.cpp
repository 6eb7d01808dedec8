#include "HiveDatabase.h"

#include <QDir>
#include <QFileInfo>
#include <sqlite3.h>

namespace {
QByteArray fold(const QString &name)
{
    return name.toLower().toUtf8();
}

// A prepared statement that finalizes itself.
class Statement
{
public:
    Statement(sqlite3 *db, const char *sql)
    {
        if (db && sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK)
            m_stmt = nullptr;
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    bool ok() const { return m_stmt != nullptr; }
    Statement &bind(int index, const QByteArray &text)
    {
        if (m_stmt)
            sqlite3_bind_text(m_stmt, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement &bindBlob(int index, const QByteArray &data)
    {
        if (m_stmt)
            sqlite3_bind_blob(m_stmt, index, data.constData(), int(data.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement &bind(int index, qint64 number)
    {
        if (m_stmt)
            sqlite3_bind_int64(m_stmt, index, number);
        return *this;
    }
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step() { return m_stmt ? sqlite3_step(m_stmt) : SQLITE_ERROR; }
    bool run() { return step() == SQLITE_DONE; }
    qint64 integer(int column) const { return sqlite3_column_int64(m_stmt, column); }
    QByteArray blob(int column) const
    {
        const void *data = sqlite3_column_blob(m_stmt, column);
        return QByteArray(static_cast<const char *>(data), sqlite3_column_bytes(m_stmt, column));
    }
    QString text(int column) const
    {
        const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
        return QString::fromUtf8(data, sqlite3_column_bytes(m_stmt, column));
    }

private:
    sqlite3_stmt *m_stmt = nullptr;
};

QString parentOf(const QString &path)
{
    const qsizetype cut = path.lastIndexOf(u'\\');
    return cut < 0 ? QString() : path.left(cut);
}
} // namespace

HiveDatabase::HiveDatabase(const QString &file, Mode mode)
{
    if (mode == Mode::Read && !QFileInfo::exists(file))
        return;
    if (mode == Mode::Write && !QDir().mkpath(QFileInfo(file).absolutePath()))
        return;
    const int flags = mode == Mode::Read ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &m_db, flags, nullptr) != SQLITE_OK) {
        sqlite3_close(m_db);
        m_db = nullptr;
        return;
    }
    sqlite3_busy_timeout(m_db, 2000);
    if (mode == Mode::Read)
        return;
    const bool ready = exec("PRAGMA journal_mode=WAL")
        && exec("CREATE TABLE IF NOT EXISTS keys (path_fold TEXT PRIMARY KEY, path TEXT NOT NULL)")
        && exec("CREATE TABLE IF NOT EXISTS vals (key_fold TEXT NOT NULL, name_fold TEXT NOT NULL, "
                "name TEXT NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL, "
                "PRIMARY KEY (key_fold, name_fold))");
    if (!ready) {
        sqlite3_close(m_db);
        m_db = nullptr;
    }
}

HiveDatabase::~HiveDatabase()
{
    sqlite3_close(m_db);
}

bool HiveDatabase::exec(const char *sql)
{
    Statement statement(m_db, sql);
    const int rc = statement.step();
    return rc == SQLITE_DONE || rc == SQLITE_ROW;
}

bool HiveDatabase::keyExists(const QString &path)
{
    if (!m_db)
        return false;
    if (path.isEmpty()) {
        // The root always exists, but only in a file that really is a hive.
        Statement probe(m_db, "SELECT count(*) FROM keys");
        return probe.step() == SQLITE_ROW;
    }
    Statement query(m_db, "SELECT 1 FROM keys WHERE path_fold = ?1");
    return query.bind(1, fold(path)).step() == SQLITE_ROW;
}

bool HiveDatabase::createKey(const QString &path)
{
    if (!m_db)
        return false;
    if (path.isEmpty() || keyExists(path))
        return keyExists(path);
    if (!createKey(parentOf(path)))
        return false;
    Statement insert(m_db, "INSERT OR IGNORE INTO keys (path_fold, path) VALUES (?1, ?2)");
    return insert.bind(1, fold(path)).bind(2, path.toUtf8()).run();
}

bool HiveDatabase::deleteKey(const QString &path)
{
    if (path.isEmpty() || !keyExists(path) || !subKeys(path).isEmpty())
        return false;
    Statement values(m_db, "DELETE FROM vals WHERE key_fold = ?1");
    Statement key(m_db, "DELETE FROM keys WHERE path_fold = ?1");
    return values.bind(1, fold(path)).run() && key.bind(1, fold(path)).run();
}

QStringList HiveDatabase::subKeys(const QString &path)
{
    QStringList names;
    Statement query(m_db, "SELECT path FROM keys");
    const QString prefix = path.isEmpty() ? QString() : path + u'\\';
    while (query.step() == SQLITE_ROW) {
        const QString child = query.text(0);
        if (child.startsWith(prefix, Qt::CaseInsensitive) && !child.mid(prefix.size()).contains(u'\\'))
            names.append(child.mid(prefix.size()));
    }
    return names;
}

std::optional<RegistryValue> HiveDatabase::value(const QString &path, const QString &name)
{
    Statement query(m_db, "SELECT type, data FROM vals WHERE key_fold = ?1 AND name_fold = ?2");
    if (query.bind(1, fold(path)).bind(2, fold(name)).step() != SQLITE_ROW)
        return std::nullopt;
    return RegistryValue{quint32(query.integer(0)), query.blob(1)};
}

bool HiveDatabase::setValue(const QString &path, const QString &name, const RegistryValue &value)
{
    if (!keyExists(path))
        return false;
    Statement upsert(m_db, "INSERT INTO vals (key_fold, name_fold, name, type, data) VALUES (?1, ?2, ?3, ?4, ?5) "
                           "ON CONFLICT (key_fold, name_fold) DO UPDATE SET type = ?4, data = ?5");
    return upsert.bind(1, fold(path))
        .bind(2, fold(name))
        .bind(3, name.toUtf8())
        .bind(4, qint64(value.type))
        .bindBlob(5, value.data)
        .run();
}

bool HiveDatabase::deleteValue(const QString &path, const QString &name)
{
    if (!value(path, name))
        return false;
    Statement remove(m_db, "DELETE FROM vals WHERE key_fold = ?1 AND name_fold = ?2");
    return remove.bind(1, fold(path)).bind(2, fold(name)).run();
}
