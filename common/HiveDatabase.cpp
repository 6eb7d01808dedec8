#include "HiveDatabase.h"

#include "SqliteStatement.h"

#include <QDir>
#include <QFileInfo>
#include <sqlite3.h>

namespace {
QString fold(const QString &name)
{
    return name.toLower();
}

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
    const bool ready = SqliteStatement(m_db, "PRAGMA journal_mode=WAL").nextRow()
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
    return SqliteStatement(m_db, sql).execute();
}

bool HiveDatabase::keyExists(const QString &path)
{
    if (!m_db)
        return false;
    if (path.isEmpty()) {
        // The root always exists, but only in a file that really is a hive.
        SqliteStatement probe(m_db, "SELECT count(*) FROM keys");
        return probe.nextRow();
    }
    SqliteStatement query(m_db, "SELECT 1 FROM keys WHERE path_fold = ?1");
    return query.bind(1, fold(path)).nextRow();
}

bool HiveDatabase::createKey(const QString &path)
{
    if (!m_db)
        return false;
    if (path.isEmpty() || keyExists(path))
        return keyExists(path);
    if (!createKey(parentOf(path)))
        return false;
    SqliteStatement insert(m_db, "INSERT OR IGNORE INTO keys (path_fold, path) VALUES (?1, ?2)");
    return insert.bind(1, fold(path)).bind(2, path).execute();
}

bool HiveDatabase::deleteKey(const QString &path)
{
    if (path.isEmpty() || !keyExists(path) || !subKeys(path).isEmpty())
        return false;
    SqliteStatement values(m_db, "DELETE FROM vals WHERE key_fold = ?1");
    SqliteStatement key(m_db, "DELETE FROM keys WHERE path_fold = ?1");
    return values.bind(1, fold(path)).execute() && key.bind(1, fold(path)).execute();
}

QStringList HiveDatabase::subKeys(const QString &path)
{
    QStringList names;
    SqliteStatement query(m_db, "SELECT path FROM keys");
    const QString prefix = path.isEmpty() ? QString() : path + u'\\';
    while (query.nextRow()) {
        const QString child = query.text(0);
        if (child.startsWith(prefix, Qt::CaseInsensitive) && !child.mid(prefix.size()).contains(u'\\'))
            names.append(child.mid(prefix.size()));
    }
    return names;
}

std::optional<RegistryValue> HiveDatabase::value(const QString &path, const QString &name)
{
    SqliteStatement query(m_db, "SELECT type, data FROM vals WHERE key_fold = ?1 AND name_fold = ?2");
    if (!query.bind(1, fold(path)).bind(2, fold(name)).nextRow())
        return std::nullopt;
    return RegistryValue{quint32(query.integer(0)), query.blob(1)};
}

bool HiveDatabase::setValue(const QString &path, const QString &name, const RegistryValue &value)
{
    if (!keyExists(path))
        return false;
    SqliteStatement upsert(m_db, "INSERT INTO vals (key_fold, name_fold, name, type, data) VALUES (?1, ?2, ?3, ?4, ?5) "
                           "ON CONFLICT (key_fold, name_fold) DO UPDATE SET type = ?4, data = ?5");
    return upsert.bind(1, fold(path))
        .bind(2, fold(name))
        .bind(3, name)
        .bind(4, qint64(value.type))
        .bindBlob(5, value.data)
        .execute();
}

bool HiveDatabase::deleteValue(const QString &path, const QString &name)
{
    if (!value(path, name))
        return false;
    SqliteStatement remove(m_db, "DELETE FROM vals WHERE key_fold = ?1 AND name_fold = ?2");
    return remove.bind(1, fold(path)).bind(2, fold(name)).execute();
}
