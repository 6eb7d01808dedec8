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

    // Seconds since 1970 in UTC; the messages already there take theirs from the page's date, a local time.
    "ALTER TABLE messaggi ADD COLUMN istante INTEGER NOT NULL DEFAULT 0;"
    "UPDATE messaggi SET istante = coalesce(CAST(strftime('%s', substr(data, 7, 4) || '-' || substr(data, 4, 2)"
    " || '-' || substr(data, 1, 2) || ' ' || substr(data, 12, 8), 'utc') AS INTEGER), CAST(strftime('%s') AS INTEGER));"
    "CREATE INDEX messaggi_istante ON messaggi (istante);"
    // Words folded to lower case without accents. A prefix as long as one of the prefix indexes is read in
    // id order, lazily; any other must gather every word it begins first: the indexes cover the usual words.
    "CREATE VIRTUAL TABLE parole USING fts5(testo, content = 'messaggi', content_rowid = 'id',"
    " tokenize = 'unicode61 remove_diacritics 2', prefix = '2 3 4 5 6');"
    "INSERT INTO parole (parole) VALUES ('rebuild');"
    "CREATE TRIGGER parole_inserite AFTER INSERT ON messaggi BEGIN"
    " INSERT INTO parole (rowid, testo) VALUES (new.id, new.testo); END;"
    "CREATE TRIGGER parole_tolte AFTER DELETE ON messaggi BEGIN"
    " INSERT INTO parole (parole, rowid, testo) VALUES ('delete', old.id, old.testo); END;"
    "CREATE TRIGGER parole_cambiate AFTER UPDATE OF testo ON messaggi BEGIN"
    " INSERT INTO parole (parole, rowid, testo) VALUES ('delete', old.id, old.testo);"
    " INSERT INTO parole (rowid, testo) VALUES (new.id, new.testo); END;",

    // Moderation: hidden messages stay, out of sight; addresses are erased after a while, so the
    // index holds only the messages that still have one.
    "ALTER TABLE messaggi ADD COLUMN nascosto INTEGER NOT NULL DEFAULT 0;"
    "CREATE INDEX messaggi_con_indirizzo ON messaggi (istante) WHERE indirizzo <> '';"
    "CREATE TABLE bandi (id INTEGER PRIMARY KEY AUTOINCREMENT, tipo TEXT NOT NULL, bersaglio TEXT NOT NULL,"
    " fino INTEGER, motivo TEXT NOT NULL);"
    "CREATE TABLE registro (id INTEGER PRIMARY KEY AUTOINCREMENT, istante INTEGER NOT NULL, operatore TEXT NOT NULL,"
    " azione TEXT NOT NULL, bersaglio TEXT NOT NULL, motivo TEXT NOT NULL, messaggio INTEGER);",
};
constexpr int schemaVersion = int(std::size(migrations));
#define MESSAGE_COLUMNS "id, stanza, nick, data, istante, indirizzo, testo"

// Each term a quoted prefix, so that nothing the user typed is read as query syntax.
QString prefixQuery(const QStringList &terms)
{
    QStringList quoted;
    for (QString term : terms)
        quoted.append(u'"' + term.replace(u'"', QStringLiteral("\"\"")) + QStringLiteral("\"*"));
    return quoted.join(u' ');
}
} // namespace

SqliteArchive::SqliteArchive() = default;

SqliteArchive::~SqliteArchive()
{
    m_insert.reset();
    m_before.reset();
    m_after.reset();
    m_search.reset();
    m_purge.reset();
    m_erase.reset();
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
        m_db, "INSERT INTO messaggi (stanza, nick, data, istante, indirizzo, testo) VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    m_before = std::make_unique<SqliteStatement>(
        m_db, "SELECT " MESSAGE_COLUMNS " FROM (SELECT * FROM messaggi WHERE stanza = ?1 AND id < ?2"
              " AND nascosto = 0 ORDER BY id DESC LIMIT ?3) ORDER BY id");
    m_after = std::make_unique<SqliteStatement>(
        m_db, "SELECT " MESSAGE_COLUMNS " FROM messaggi WHERE stanza = ?1 AND id > ?2 AND nascosto = 0"
              " ORDER BY id LIMIT ?3");
    m_search = std::make_unique<SqliteStatement>(
        m_db, "SELECT " MESSAGE_COLUMNS " FROM messaggi WHERE id IN"
              " (SELECT parole.rowid FROM parole JOIN messaggi ON messaggi.id = parole.rowid"
              "  WHERE parole MATCH ?1 AND parole.rowid < ?2 AND (?3 = '' OR messaggi.stanza = ?3) AND messaggi.nascosto = 0"
              "  ORDER BY parole.rowid DESC LIMIT ?4) ORDER BY id DESC");
    m_purge = std::make_unique<SqliteStatement>(
        m_db, "DELETE FROM messaggi WHERE id IN (SELECT id FROM messaggi WHERE istante < ?1 ORDER BY istante LIMIT ?2)");
    m_erase = std::make_unique<SqliteStatement>(
        m_db, "UPDATE messaggi SET indirizzo = '' WHERE id IN (SELECT id FROM messaggi"
              " WHERE indirizzo <> '' AND istante < ?1 ORDER BY istante LIMIT ?2)");
    if (!m_insert->isValid() || !m_before->isValid() || !m_after->isValid() || !m_search->isValid()
        || !m_purge->isValid() || !m_erase->isValid()) {
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

MessageArchive::Outcome SqliteArchive::store(ChatMessage &message)
{
    if (!message.time.isValid())
        message.time = ChatMessage::currentSecond();
    if (!exec("BEGIN IMMEDIATE"))
        return Outcome::Failed;
    const bool written = m_insert->bind(1, message.room).bind(2, message.nick).bind(3, message.date)
                             .bind(4, message.time.toSecsSinceEpoch()).bind(5, message.address)
                             .bind(6, message.text).execute();
    const qint64 id = sqlite3_last_insert_rowid(m_db);
    if (written && exec("COMMIT")) {
        message.id = id;
        return Outcome::Stored;
    }
    exec("ROLLBACK");
    return Outcome::Failed;
}

MessageArchive::Rows SqliteArchive::before(const QString &room, qint64 beforeId, int limit)
{
    m_before->bind(1, room).bind(2, idBound(beforeId)).bind(3, qint64(limit));
    return rows(*m_before);
}

MessageArchive::Rows SqliteArchive::after(const QString &room, qint64 afterId, int limit)
{
    m_after->bind(1, room).bind(2, afterId).bind(3, qint64(limit));
    return rows(*m_after);
}

MessageArchive::Rows SqliteArchive::search(const QStringList &words, const QString &room, qint64 beforeId,
                                           int limit)
{
    const QStringList terms = searchTerms(words);
    if (terms.isEmpty())
        return QList<ChatMessage>();
    m_search->bind(1, prefixQuery(terms)).bind(2, idBound(beforeId)).bind(3, room).bind(4, qint64(limit));
    return rows(*m_search);
}

int SqliteArchive::purge(const QDateTime &cutoff, int batch)
{
    return changedBefore(*m_purge, cutoff, batch);
}

MessageArchive::Rows SqliteArchive::rows(SqliteStatement &statement)
{
    QList<ChatMessage> messages;
    while (statement.nextRow()) {
        messages.append({statement.integer(0), statement.text(1), statement.text(2), statement.text(3),
                         QDateTime::fromSecsSinceEpoch(statement.integer(4), Qt::UTC), statement.text(5),
                         statement.text(6)});
    }
    if (statement.lastRunFailed())
        return std::nullopt;
    return messages;
}

MessageArchive::Rows SqliteArchive::latest(const QString &room, qint64 beforeId, int limit)
{
    SqliteStatement latest(m_db, "SELECT " MESSAGE_COLUMNS " FROM messaggi WHERE id < ?1 AND nascosto = 0"
                                 " AND (?2 = '' OR stanza = ?2) ORDER BY id DESC LIMIT ?3");
    latest.bind(1, idBound(beforeId)).bind(2, room).bind(3, qint64(limit));
    return rows(latest);
}

MessageArchive::Change SqliteArchive::hide(const QList<qint64> &ids, const QString &operatorName,
                                           const QString &reason, qint64 *unknownId)
{
    SqliteStatement mark(m_db, "UPDATE messaggi SET nascosto = 1 WHERE id = ?1");
    Change change = Change::Failed;
    const bool done = moderating([&] {
        for (const qint64 id : ids) {
            SqliteStatement known(m_db, "SELECT nascosto FROM messaggi WHERE id = ?1");
            if (!known.bind(1, id).nextRow()) {
                change = known.lastRunFailed() ? Change::Failed : Change::Unknown;
                *unknownId = id;
                return false;
            }
            if (known.integer(0) == 0
                && !(mark.bind(1, id).execute()
                     && audited({{}, operatorName, QStringLiteral("hide"), QString::number(id), reason}, id)))
                return false;
        }
        return true;
    });
    return done ? Change::Done : change;
}

qint64 SqliteArchive::insertBan(const Ban &ban)
{
    SqliteStatement insert(m_db, "INSERT INTO bandi (tipo, bersaglio, fino, motivo) VALUES (?1, ?2, nullif(?3, 0), ?4)");
    const qint64 until = ban.until.isValid() ? ban.until.toSecsSinceEpoch() : 0;
    if (!insert.bind(1, ban.kindName()).bind(2, ban.target).bind(3, until).bind(4, ban.reason).execute())
        return 0;
    return sqlite3_last_insert_rowid(m_db);
}

bool SqliteArchive::removeBan(qint64 id)
{
    SqliteStatement remove(m_db, "DELETE FROM bandi WHERE id = ?1");
    return remove.bind(1, id).execute();
}

std::optional<QList<Ban>> SqliteArchive::bansInForce(qint64 id)
{
    SqliteStatement select(m_db, "SELECT id, tipo, bersaglio, coalesce(fino, 0), motivo FROM bandi"
                                 " WHERE (fino IS NULL OR fino > ?1) AND (?2 = 0 OR id = ?2) ORDER BY id");
    select.bind(1, QDateTime::currentSecsSinceEpoch()).bind(2, id);
    QList<Ban> bans;
    while (select.nextRow()) {
        const qint64 until = select.integer(3);
        bans.append({select.integer(0), Ban::kindNamed(select.text(1)).value_or(Ban::Kind::Nick), select.text(2),
                     until > 0 ? QDateTime::fromSecsSinceEpoch(until, Qt::UTC) : QDateTime(), select.text(4)});
    }
    if (select.lastRunFailed())
        return std::nullopt;
    return bans;
}

std::optional<QList<AuditEntry>> SqliteArchive::audit(int limit)
{
    SqliteStatement select(m_db, "SELECT istante, operatore, azione, bersaglio, motivo FROM"
                                 " (SELECT * FROM registro ORDER BY id DESC LIMIT ?1) ORDER BY id");
    select.bind(1, qint64(limit));
    QList<AuditEntry> entries;
    while (select.nextRow()) {
        entries.append({QDateTime::fromSecsSinceEpoch(select.integer(0), Qt::UTC), select.text(1), select.text(2),
                        select.text(3), select.text(4)});
    }
    if (select.lastRunFailed())
        return std::nullopt;
    return entries;
}

std::optional<qint64> SqliteArchive::lastAuditId()
{
    SqliteStatement select(m_db, "SELECT coalesce(max(id), 0) FROM registro");
    if (!select.nextRow())
        return std::nullopt;
    return select.integer(0);
}

std::optional<ModerationNews> SqliteArchive::moderationAfter(qint64 afterId, int limit)
{
    SqliteStatement select(m_db, "SELECT registro.id, messaggi.id, messaggi.stanza FROM registro"
                                 " LEFT JOIN messaggi ON messaggi.id = registro.messaggio AND registro.azione = 'hide'"
                                 " WHERE registro.id > ?1 ORDER BY registro.id LIMIT ?2");
    select.bind(1, afterId).bind(2, qint64(limit));
    ModerationNews news{afterId, {}};
    while (select.nextRow()) {
        news.lastId = select.integer(0);
        if (select.integer(1) > 0)
            news.hidden.append({select.integer(1), select.text(2), {}, {}, {}, {}, {}});
    }
    if (select.lastRunFailed())
        return std::nullopt;
    return news;
}

int SqliteArchive::eraseAddresses(const QDateTime &cutoff, int batch)
{
    return changedBefore(*m_erase, cutoff, batch);
}

int SqliteArchive::changedBefore(SqliteStatement &statement, const QDateTime &cutoff, int batch)
{
    int changed = -1;
    inTransaction([&] {
        if (!statement.bind(1, cutoff.toSecsSinceEpoch()).bind(2, qint64(batch)).execute())
            return false;
        changed = sqlite3_changes(m_db);
        return true;
    });
    return changed;
}

void SqliteArchive::watch(const Changed &changed)
{
    m_changed = changed;
    m_poll.reset();
    if (!changed)
        return;
    // Another process's commit changes the number this connection reads; our own commits do not.
    m_dataVersion = dataVersion();
    m_poll = std::make_unique<QTimer>();
    m_poll->setInterval(pollMs);
    QObject::connect(m_poll.get(), &QTimer::timeout, [this] {
        const qint64 version = dataVersion();
        if (version != m_dataVersion) {
            m_dataVersion = version;
            m_changed(QString(), 0);
        }
    });
    m_poll->start();
}

qint64 SqliteArchive::dataVersion()
{
    SqliteStatement version(m_db, "PRAGMA data_version");
    return version.nextRow() ? version.integer(0) : -1;
}

bool SqliteArchive::audited(const AuditEntry &entry, qint64 messageId)
{
    SqliteStatement insert(m_db, "INSERT INTO registro (istante, operatore, azione, bersaglio, motivo, messaggio)"
                                 " VALUES (?1, ?2, ?3, ?4, ?5, nullif(?6, 0))");
    return insert.bind(1, QDateTime::currentSecsSinceEpoch()).bind(2, entry.operatorName).bind(3, entry.action)
        .bind(4, entry.target).bind(5, entry.reason).bind(6, messageId).execute();
}

bool SqliteArchive::moderating(const std::function<bool()> &work)
{
    // One writer at a time on the file: the audit's lines commit in the order of their ids.
    return inTransaction(work);
}

bool SqliteArchive::inTransaction(const std::function<bool()> &work)
{
    if (!exec("BEGIN IMMEDIATE"))
        return false;
    if (work() && exec("COMMIT"))
        return true;
    exec("ROLLBACK");
    return false;
}

bool SqliteArchive::exec(const char *sql)
{
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

QString SqliteArchive::lastError() const
{
    return QString::fromUtf8(sqlite3_errmsg(m_db));
}
