#include "SqliteArchive.h"

#include "SqliteStatement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

namespace {
// Step i brings a file of schema version i to version i + 1.
const char *const migrations[] = {
    "CREATE TABLE messaggi ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " stanza TEXT NOT NULL,"
    " nick TEXT NOT NULL,"
    " data TEXT NOT NULL,"
    " indirizzo TEXT NOT NULL,"
    " testo TEXT NOT NULL);"
    "CREATE INDEX messaggi_stanza ON messaggi (stanza, id);",
};
constexpr int schemaVersion = int(std::size(migrations));
} // namespace

SqliteArchive::SqliteArchive() = default;

SqliteArchive::~SqliteArchive()
{
    m_insert.reset();
    m_prune.reset();
    m_newest.reset();
    sqlite3_close(m_db);
}

bool SqliteArchive::open(const QString &file, QString *error)
{
    if (!QDir().mkpath(QFileInfo(file).absolutePath())) {
        *error = QStringLiteral("Impossibile creare la cartella di %1.").arg(file);
        return false;
    }
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &m_db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        *error = QStringLiteral("Impossibile aprire l'archivio %1: %2").arg(file, lastError());
        return false;
    }
    sqlite3_busy_timeout(m_db, 5000);
    // Synchronous commits in the write-ahead log: a stored message is on disk before it is confirmed.
    // The schema comes first, so that a file this program cannot read is left as it was.
    if (!migrate(error) || !exec("PRAGMA journal_mode=WAL") || !exec("PRAGMA synchronous=FULL")) {
        if (error->isEmpty())
            *error = QStringLiteral("Archivio %1 non utilizzabile: %2").arg(file, lastError());
        return false;
    }
    m_insert = std::make_unique<SqliteStatement>(
        m_db, "INSERT INTO messaggi (stanza, nick, data, indirizzo, testo) VALUES (?1, ?2, ?3, ?4, ?5)");
    m_prune = std::make_unique<SqliteStatement>(
        m_db, "DELETE FROM messaggi WHERE stanza = ?1 AND id NOT IN"
              " (SELECT id FROM messaggi WHERE stanza = ?1 ORDER BY id DESC LIMIT ?2)");
    m_newest = std::make_unique<SqliteStatement>(
        m_db, "SELECT nick, data, indirizzo, testo FROM"
              " (SELECT * FROM messaggi WHERE stanza = ?1 ORDER BY id DESC LIMIT ?2) ORDER BY id");
    if (!m_insert->isValid() || !m_prune->isValid() || !m_newest->isValid()) {
        *error = QStringLiteral("Archivio %1 non utilizzabile: %2").arg(file, lastError());
        return false;
    }
    return true;
}

bool SqliteArchive::migrate(QString *error)
{
    const int current = userVersion();
    if (current < 0)
        return false;
    if (current > schemaVersion) {
        *error = QStringLiteral("L'archivio è stato scritto da una versione più recente del programma (schema %1).")
                     .arg(current);
        return false;
    }
    for (int step = current; step < schemaVersion; ++step) {
        const QByteArray bump = "PRAGMA user_version = " + QByteArray::number(step + 1);
        if (!exec("BEGIN IMMEDIATE"))
            return false;
        if (!exec(migrations[step]) || !exec(bump.constData())) {
            *error = QStringLiteral("Aggiornamento dell'archivio non riuscito: %1").arg(lastError());
            exec("ROLLBACK");
            return false;
        }
        if (!exec("COMMIT"))
            return false;
    }
    return true;
}

int SqliteArchive::userVersion()
{
    SqliteStatement version(m_db, "PRAGMA user_version");
    return version.nextRow() ? version.text(0).toInt() : -1;
}

MessageArchive::Outcome SqliteArchive::store(const QString &room, const ChatMessage &message, int keep)
{
    if (!exec("BEGIN IMMEDIATE"))
        return Outcome::Failed;
    const bool written =
        m_insert->bind(1, room).bind(2, message.nick).bind(3, message.date).bind(4, message.address)
            .bind(5, message.text).execute()
        && m_prune->bind(1, room).bind(2, qint64(keep)).execute();
    if (written && exec("COMMIT"))
        return Outcome::Stored;
    exec("ROLLBACK");
    return Outcome::Failed;
}

std::optional<QList<ChatMessage>> SqliteArchive::newest(const QString &room, int count)
{
    QList<ChatMessage> messages;
    m_newest->bind(1, room).bind(2, qint64(count));
    while (m_newest->nextRow())
        messages.append({m_newest->text(0), m_newest->text(1), m_newest->text(2), m_newest->text(3)});
    return messages;
}

bool SqliteArchive::exec(const char *sql)
{
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

QString SqliteArchive::lastError() const
{
    return QString::fromUtf8(sqlite3_errmsg(m_db));
}
