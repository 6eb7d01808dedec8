#include "PostgresArchive.h"

#include <QTimeZone>
#include <QUuid>

namespace {
// Step i brings a database of schema version i to version i + 1.
const char *const migrations[] = {
    "CREATE TABLE messaggi ("
    " id bigserial PRIMARY KEY,"
    " stanza text NOT NULL,"
    " nick text NOT NULL,"
    " data text NOT NULL,"
    " indirizzo text NOT NULL,"
    " testo text NOT NULL);"
    "CREATE INDEX messaggi_stanza ON messaggi (stanza, id);"
    // The flood guard's count: one row per put, kept for the length of the window.
    "CREATE TABLE invii (indirizzo text NOT NULL, istante timestamptz NOT NULL);"
    "CREATE INDEX invii_indirizzo ON invii (indirizzo, istante);"
    "CREATE INDEX invii_istante ON invii (istante);",

    // The messages already there take their instant from the page's date, read in the program's time zone.
    "ALTER TABLE messaggi ADD COLUMN istante timestamptz;"
    "UPDATE messaggi SET istante = CASE WHEN data ~ '^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d$'"
    " THEN to_timestamp(data, 'DD/MM/YYYY HH24:MI:SS') ELSE now() END;"
    "ALTER TABLE messaggi ALTER COLUMN istante SET NOT NULL;"
    "CREATE INDEX messaggi_istante ON messaggi (istante);"
    // unaccent is only stable, its rules file could change: an index needs an immutable wrapper.
    "CREATE EXTENSION IF NOT EXISTS unaccent SCHEMA public;"
    "CREATE FUNCTION ciarla_senza_accenti(testo text) RETURNS text LANGUAGE sql IMMUTABLE PARALLEL SAFE STRICT"
    " AS $$ SELECT public.unaccent('public.unaccent'::regdictionary, testo) $$;"
    // The words stored with each message: a search that walks the newest messages checks them without parsing.
    "ALTER TABLE messaggi ADD COLUMN parole tsvector"
    " GENERATED ALWAYS AS (to_tsvector('simple'::regconfig, ciarla_senza_accenti(testo))) STORED;"
    "CREATE INDEX messaggi_parole ON messaggi USING gin (parole);"
    // Words separated by blanks, each a prefix that must begin a word: every one is quoted, with its quotes
    // and backslashes doubled, so that nothing in it is read as query syntax. Immutable, so that the planner
    // sees the query itself and can weigh it.
    "CREATE FUNCTION ciarla_prefissi(parole text) RETURNS tsquery LANGUAGE sql IMMUTABLE PARALLEL SAFE STRICT"
    " AS $$ SELECT to_tsquery('simple'::regconfig, coalesce(string_agg("
    "  '''' || replace(replace(parola, '\\', '\\\\'), '''', '''''') || ''':*', ' & '), ''))"
    " FROM unnest(string_to_array(ciarla_senza_accenti(parole), ' ')) AS parola WHERE parola <> '' $$;",

    // Moderation: hidden messages stay, out of sight; addresses are erased after a while, so the
    // index holds only the messages that still have one.
    "ALTER TABLE messaggi ADD COLUMN nascosto boolean NOT NULL DEFAULT false;"
    "CREATE INDEX messaggi_con_indirizzo ON messaggi (istante) WHERE indirizzo <> '';"
    "CREATE TABLE bandi (id bigserial PRIMARY KEY, tipo text NOT NULL, bersaglio text NOT NULL, fino timestamptz,"
    " motivo text NOT NULL);"
    "CREATE TABLE registro (id bigserial PRIMARY KEY, istante timestamptz NOT NULL DEFAULT now(),"
    " operatore text NOT NULL, azione text NOT NULL, bersaglio text NOT NULL, motivo text NOT NULL, messaggio bigint);",

    // Each put's own token: after a session lost at its COMMIT, it tells whether the put was stored.
    "ALTER TABLE messaggi ADD COLUMN gettone uuid;"
    "CREATE UNIQUE INDEX messaggi_gettone ON messaggi (gettone);",
};
constexpr int schemaVersion = int(std::size(migrations));
const char channel[] = "ciarla_stanze";
// Advisory lock classes: (1, 0) the schema, (2, room) a room's puts, (3, sender) a sender's count,
// (4, 0) moderation, so that audit lines commit in the order of their ids.
constexpr int lockSchema = 1;
constexpr int lockRoom = 2;
constexpr int lockSender = 3;
constexpr int lockModeration = 4;
#define MESSAGE_COLUMNS "id, stanza, nick, data, extract(epoch FROM istante)::bigint, indirizzo, testo"

QList<QByteArray> sessionSetup()
{
    // Every commit waits for the disk whatever the server's default, and a hung statement ends.
    // Notices ("already exists, skipping") would only clutter the log and the operators' commands.
    // A room's lock held by a frozen peer delays the room's puts by two seconds at most, and
    // the peer's transaction ends after five idle ones, its locks with it.
    return {"SET client_encoding TO 'UTF8'", "SET synchronous_commit TO on", "SET statement_timeout TO 10000",
            "SET client_min_messages TO warning", "SET lock_timeout TO 2000",
            "SET idle_in_transaction_session_timeout TO 5000"};
}

// The notice of a new message: its room and id.
QByteArray noticeOf(const QByteArray &room, qint64 id)
{
    return room + ' ' + QByteArray::number(id);
}
} // namespace

PostgresArchive::PostgresArchive(const QByteArray &uri, const FloodRule &flood)
    : m_uri(uri)
    , m_db(uri, sessionSetup())
    , m_flood(flood)
{
}

PostgresArchive::~PostgresArchive() = default;

bool PostgresArchive::open(QString *error)
{
    if (!session(openMs)) {
        *error = QStringLiteral("Impossibile collegarsi al database PostgreSQL: %1").arg(m_db.lastError());
        return false;
    }
    return migrate(error);
}

bool PostgresArchive::migrate(QString *error)
{
    int found = -1;
    const bool migrated = inTransaction([&] {
        // Instances started together wait for each other here.
        if (!m_db.exec("SELECT pg_advisory_xact_lock(" + QByteArray::number(lockSchema) + ", 0)").ok())
            return false;
        // Asked first: "IF NOT EXISTS" would leave a notice at every start.
        const PgConnection::Result exists = m_db.exec("SELECT to_regclass('versione_schema') IS NOT NULL");
        if (exists.rows() != 1
            || (exists.text(0, 0) != u"t"
                && !m_db.exec("CREATE TABLE versione_schema (versione integer NOT NULL)").ok()))
            return false;
        const PgConnection::Result version = m_db.exec("SELECT coalesce(max(versione), 0) FROM versione_schema");
        if (!version.ok())
            return false;
        found = version.text(0, 0).toInt();
        if (found > schemaVersion)
            return false;
        return found == schemaVersion
            || (upgrade(found) && m_db.exec("DELETE FROM versione_schema; INSERT INTO versione_schema VALUES ("
                         + QByteArray::number(schemaVersion) + ")")
                   .ok());
    }, openMs);
    if (found > schemaVersion)
        *error = QStringLiteral("Il database è stato scritto da una versione più recente del programma (schema %1).")
                     .arg(found);
    else if (!migrated)
        *error = QStringLiteral("Aggiornamento del database non riuscito: %1").arg(m_db.lastError());
    return migrated;
}

bool PostgresArchive::upgrade(int from)
{
    // Dates in the messages are the program's local time: read them in its zone, when the server knows it.
    const QByteArray zone = QTimeZone::systemTimeZoneId();
    if (!m_db.exec("SELECT set_config('TimeZone', name, true) FROM pg_timezone_names WHERE name = $1", {zone}).ok())
        return false;
    for (int step = from; step < schemaVersion; ++step) {
        if (!m_db.exec(migrations[step]).ok())
            return false;
    }
    return true;
}

bool PostgresArchive::inTransaction(const std::function<bool()> &work, int deadlineMs)
{
    if (!session(deadlineMs) || !m_db.exec("BEGIN").ok())
        return false;
    const bool committed = work() && m_db.exec("COMMIT").ok();
    if (!committed)
        m_db.exec("ROLLBACK");
    readNotifications();
    return committed;
}

bool PostgresArchive::session(int deadlineMs)
{
    m_db.setDeadline(QDeadlineTimer(deadlineMs));
    return m_db.ensureOpen();
}

MessageArchive::Outcome PostgresArchive::store(ChatMessage &message)
{
    if (!message.time.isValid())
        message.time = ChatMessage::currentSecond();
    const QByteArray token = QUuid::createUuid().toByteArray(QUuid::WithoutBraces);
    m_db.setDeadline(QDeadlineTimer(putMs));
    Attempt attempt = storeOnce(message, token, false);
    // The server restarted or an operator ended the session: nothing of the put was done.
    if (attempt == Attempt::Lost)
        attempt = storeOnce(message, token, true);
    switch (attempt) {
    case Attempt::Stored:
        return Outcome::Stored;
    case Attempt::Unsure:
        return resolve(message, token, m_lostPid);
    default:
        return m_flooded ? Outcome::Flooded : Outcome::Failed;
    }
}

PostgresArchive::Attempt PostgresArchive::storeOnce(ChatMessage &message, const QByteArray &token, bool fresh)
{
    m_flooded = false;
    if (!(fresh ? m_db.reconnect() : m_db.ensureOpen()))
        return Attempt::Refused;
    const int pid = m_db.backendPid();
    if (!m_db.exec("BEGIN").ok() || !insert(message, token)) {
        if (!m_db.isOpen())
            return Attempt::Lost;
        m_db.exec("ROLLBACK");
        return Attempt::Refused;
    }
    const PgConnection::Result committed = m_db.exec("COMMIT");
    if (committed.ok())
        return Attempt::Stored;
    m_lostPid = pid;
    return committed.lost() ? Attempt::Unsure : Attempt::Refused;
}

bool PostgresArchive::insert(ChatMessage &message, const QByteArray &token)
{
    const QByteArray roomKey = message.room.toUtf8();
    const QByteArray address = message.address.toUtf8();
    // The sender's lock before the room's, always: no two puts wait for each other in a circle.
    if (!allowsSender(address))
        return false;
    // One put at a time per room, its id taken under the lock: ids grow with the commits within a room.
    // A lock held elsewhere for longer than lock_timeout refuses the put at once.
    if (!m_db.exec("SELECT pg_advisory_xact_lock($1, hashtext($2))", {QByteArray::number(lockRoom), roomKey}).ok())
        return false;
    const PgConnection::Result inserted =
        m_db.exec("INSERT INTO messaggi (stanza, nick, data, istante, indirizzo, testo, gettone)"
                  " VALUES ($1, $2, $3, to_timestamp($4), $5, $6, $7) RETURNING id",
                  {roomKey, message.nick.toUtf8(), message.date.toUtf8(),
                   QByteArray::number(message.time.toSecsSinceEpoch()), address, message.text.toUtf8(), token});
    message.id = inserted.rows() == 1 ? inserted.text(0, 0).toLongLong() : 0;
    return message.id > 0
        && m_db.exec("SELECT pg_notify($1, $2)", {channel, noticeOf(roomKey, message.id)}).ok();
}

MessageArchive::Outcome PostgresArchive::resolve(ChatMessage &message, const QByteArray &token, int lostPid)
{
    // The lost session's transaction is settled once its backend has gone: ended here if need be.
    const QByteArray pid = QByteArray::number(lostPid);
    if (!m_db.reconnect()
        || !m_db.exec("SELECT pg_terminate_backend(pid, 1000) FROM pg_stat_activity WHERE pid = $1", {pid}).ok())
        return Outcome::Unknown;
    const PgConnection::Result found =
        m_db.exec("SELECT EXISTS (SELECT 1 FROM pg_stat_activity WHERE pid = $1),"
                  " coalesce((SELECT id FROM messaggi WHERE gettone = $2), 0)",
                  {pid, token});
    if (found.rows() != 1 || found.text(0, 0) == u"t")
        return Outcome::Unknown;
    message.id = found.text(0, 1).toLongLong();
    return message.id > 0 ? Outcome::Stored : Outcome::Failed;
}

bool PostgresArchive::allowsSender(const QByteArray &address)
{
    if (m_flood.limit <= 0)
        return true;
    const QByteArray window = QByteArray::number(m_flood.windowMs);
    const PgConnection::Result count = m_db.exec(
        "SELECT pg_advisory_xact_lock($1, hashtext($2)),"
        " (SELECT count(*) FROM invii WHERE indirizzo = $2 AND istante > clock_timestamp() - $3::float8 * interval '1 ms')",
        {QByteArray::number(lockSender), address, window});
    if (!count.ok())
        return false;
    if (count.text(0, 1).toInt() >= m_flood.limit) {
        m_flooded = true;
        return false;
    }
    return m_db.exec("DELETE FROM invii WHERE istante <= clock_timestamp() - $1::float8 * interval '1 ms'", {window}).ok()
        && m_db.exec("INSERT INTO invii VALUES ($1, clock_timestamp())", {address}).ok();
}

MessageArchive::Rows PostgresArchive::before(const QString &room, qint64 beforeId, int limit)
{
    return rows("SELECT " MESSAGE_COLUMNS " FROM (SELECT * FROM messaggi WHERE stanza = $1 AND id < $2"
                " AND NOT nascosto ORDER BY id DESC LIMIT $3) AS pagina ORDER BY id",
                {room.toUtf8(), QByteArray::number(idBound(beforeId)), QByteArray::number(limit)});
}

MessageArchive::Rows PostgresArchive::after(const QString &room, qint64 afterId, int limit)
{
    return rows("SELECT " MESSAGE_COLUMNS " FROM messaggi WHERE stanza = $1 AND id > $2 AND NOT nascosto"
                " ORDER BY id LIMIT $3",
                {room.toUtf8(), QByteArray::number(afterId), QByteArray::number(limit)});
}

MessageArchive::Rows PostgresArchive::search(const QStringList &words, const QString &room, qint64 beforeId,
                                             int limit)
{
    const QStringList terms = searchTerms(words);
    if (terms.isEmpty())
        return QList<ChatMessage>();
    return rows("SELECT " MESSAGE_COLUMNS " FROM messaggi"
                " WHERE parole @@ ciarla_prefissi($1)"
                " AND id < $2 AND ($3 = '' OR stanza = $3) AND NOT nascosto ORDER BY id DESC LIMIT $4",
                {terms.join(u' ').toUtf8(), QByteArray::number(idBound(beforeId)), room.toUtf8(),
                 QByteArray::number(limit)});
}

int PostgresArchive::purge(const QDateTime &cutoff, int batch)
{
    return changedBefore("WITH tolti AS (DELETE FROM messaggi WHERE id IN (SELECT id FROM messaggi"
                         " WHERE istante < to_timestamp($1) ORDER BY istante LIMIT $2) RETURNING 1) SELECT count(*) FROM tolti",
                         cutoff, batch);
}

int PostgresArchive::eraseAddresses(const QDateTime &cutoff, int batch)
{
    return changedBefore("WITH cancellati AS (UPDATE messaggi SET indirizzo = '' WHERE id IN (SELECT id FROM messaggi"
                         " WHERE indirizzo <> '' AND istante < to_timestamp($1) ORDER BY istante LIMIT $2) RETURNING 1)"
                         " SELECT count(*) FROM cancellati",
                         cutoff, batch);
}

int PostgresArchive::changedBefore(const QByteArray &sql, const QDateTime &cutoff, int batch)
{
    if (!session())
        return -1;
    const PgConnection::Result changed =
        m_db.exec(sql, {QByteArray::number(cutoff.toSecsSinceEpoch()), QByteArray::number(batch)});
    readNotifications();
    return changed.rows() == 1 ? changed.text(0, 0).toInt() : -1;
}

MessageArchive::Rows PostgresArchive::latest(const QString &room, qint64 beforeId, int limit)
{
    return rows("SELECT " MESSAGE_COLUMNS " FROM messaggi WHERE id < $1 AND NOT nascosto AND ($2 = '' OR stanza = $2)"
                " ORDER BY id DESC LIMIT $3",
                {QByteArray::number(idBound(beforeId)), room.toUtf8(), QByteArray::number(limit)});
}

MessageArchive::Change PostgresArchive::hide(const QList<qint64> &ids, const QString &operatorName,
                                             const QString &reason, qint64 *unknownId)
{
    QByteArrayList numbers;
    for (const qint64 id : ids)
        numbers.append(QByteArray::number(id));
    const QByteArray list = '{' + numbers.join(',') + '}';
    Change change = Change::Failed;
    const bool done = moderating([&] {
        const PgConnection::Result unknown = m_db.exec(
            "SELECT numero FROM unnest($1::bigint[]) AS numero WHERE NOT EXISTS"
            " (SELECT 1 FROM messaggi WHERE id = numero) LIMIT 1", {list});
        if (!unknown.ok())
            return false;
        if (unknown.rows() > 0) {
            change = Change::Unknown;
            *unknownId = unknown.text(0, 0).toLongLong();
            return false;
        }
        return m_db.exec("WITH nascosti AS (UPDATE messaggi SET nascosto = true WHERE id = ANY($1::bigint[])"
                         " AND NOT nascosto RETURNING id) INSERT INTO registro (operatore, azione, bersaglio, motivo,"
                         " messaggio) SELECT $2, 'hide', n.id::text, $3, n.id FROM nascosti AS n ORDER BY n.id",
                         {list, operatorName.toUtf8(), reason.toUtf8()})
            .ok();
    });
    return done ? Change::Done : change;
}

qint64 PostgresArchive::insertBan(const Ban &ban)
{
    const PgConnection::Result inserted = m_db.exec(
        "INSERT INTO bandi (tipo, bersaglio, fino, motivo) VALUES ($1, $2, to_timestamp(nullif($3::bigint, 0)), $4)"
        " RETURNING id",
        {ban.kindName().toUtf8(), ban.target.toUtf8(),
         QByteArray::number(ban.until.isValid() ? ban.until.toSecsSinceEpoch() : 0), ban.reason.toUtf8()});
    return inserted.rows() == 1 ? inserted.text(0, 0).toLongLong() : 0;
}

bool PostgresArchive::removeBan(qint64 id)
{
    return m_db.exec("DELETE FROM bandi WHERE id = $1", {QByteArray::number(id)}).ok();
}

std::optional<QList<Ban>> PostgresArchive::bansInForce(qint64 id)
{
    if (!session())
        return std::nullopt;
    const PgConnection::Result found = m_db.exec(
        "SELECT id, tipo, bersaglio, coalesce(extract(epoch FROM fino)::bigint, 0), motivo FROM bandi"
        " WHERE (fino IS NULL OR fino > now()) AND ($1::bigint = 0 OR id = $1::bigint) ORDER BY id",
        {QByteArray::number(id)});
    readNotifications();
    if (!found.ok())
        return std::nullopt;
    QList<Ban> bans;
    for (int row = 0; row < found.rows(); ++row) {
        const qint64 until = found.text(row, 3).toLongLong();
        bans.append({found.text(row, 0).toLongLong(), Ban::kindNamed(found.text(row, 1)).value_or(Ban::Kind::Nick),
                     found.text(row, 2), until > 0 ? QDateTime::fromSecsSinceEpoch(until, Qt::UTC) : QDateTime(),
                     found.text(row, 4)});
    }
    return bans;
}

std::optional<QList<AuditEntry>> PostgresArchive::audit(int limit)
{
    if (!session())
        return std::nullopt;
    const PgConnection::Result found = m_db.exec(
        "SELECT extract(epoch FROM istante)::bigint, operatore, azione, bersaglio, motivo FROM"
        " (SELECT * FROM registro ORDER BY id DESC LIMIT $1) AS ultimi ORDER BY id", {QByteArray::number(limit)});
    readNotifications();
    if (!found.ok())
        return std::nullopt;
    QList<AuditEntry> entries;
    for (int row = 0; row < found.rows(); ++row) {
        entries.append({QDateTime::fromSecsSinceEpoch(found.text(row, 0).toLongLong(), Qt::UTC), found.text(row, 1),
                        found.text(row, 2), found.text(row, 3), found.text(row, 4)});
    }
    return entries;
}

std::optional<qint64> PostgresArchive::lastAuditId()
{
    if (!session())
        return std::nullopt;
    const PgConnection::Result found = m_db.exec("SELECT coalesce(max(id), 0) FROM registro");
    readNotifications();
    return found.rows() == 1 ? std::optional(found.text(0, 0).toLongLong()) : std::nullopt;
}

std::optional<ModerationNews> PostgresArchive::moderationAfter(qint64 afterId, int limit)
{
    if (!session())
        return std::nullopt;
    const PgConnection::Result found = m_db.exec(
        "SELECT registro.id, coalesce(messaggi.id, 0), coalesce(messaggi.stanza, '') FROM registro"
        " LEFT JOIN messaggi ON messaggi.id = registro.messaggio AND registro.azione = 'hide'"
        " WHERE registro.id > $1 ORDER BY registro.id LIMIT $2",
        {QByteArray::number(afterId), QByteArray::number(limit)});
    readNotifications();
    if (!found.ok())
        return std::nullopt;
    ModerationNews news{afterId, {}};
    for (int row = 0; row < found.rows(); ++row) {
        news.lastId = found.text(row, 0).toLongLong();
        if (const qint64 id = found.text(row, 1).toLongLong(); id > 0)
            news.hidden.append({id, found.text(row, 2), {}, {}, {}, {}, {}});
    }
    return news;
}

bool PostgresArchive::moderating(const std::function<bool()> &work)
{
    return inTransaction([&] {
        return m_db.exec("SELECT pg_advisory_xact_lock(" + QByteArray::number(lockModeration) + ", 0)").ok() && work()
            && m_db.exec("SELECT pg_notify($1, $2)", {channel, moderationNotice.toUtf8()}).ok();
    });
}

bool PostgresArchive::audited(const AuditEntry &entry, qint64 messageId)
{
    return m_db.exec("INSERT INTO registro (operatore, azione, bersaglio, motivo, messaggio)"
                     " VALUES ($1, $2, $3, $4, nullif($5::bigint, 0))",
                     {entry.operatorName.toUtf8(), entry.action.toUtf8(), entry.target.toUtf8(), entry.reason.toUtf8(),
                      QByteArray::number(messageId)})
        .ok();
}

MessageArchive::Rows PostgresArchive::rows(const QByteArray &sql, const QList<QByteArray> &parameters)
{
    if (!session())
        return std::nullopt;
    PgConnection::Result found = m_db.exec(sql, parameters);
    // A session the server ended (a restart, an operator) shows only at its next query; a read is safe to
    // repeat, once, on a fresh session within the same deadline.
    if (found.lost() && m_db.reconnect())
        found = m_db.exec(sql, parameters);
    readNotifications();
    if (!found.ok())
        return std::nullopt;
    QList<ChatMessage> messages;
    for (int row = 0; row < found.rows(); ++row) {
        messages.append({found.text(row, 0).toLongLong(), found.text(row, 1), found.text(row, 2), found.text(row, 3),
                         QDateTime::fromSecsSinceEpoch(found.text(row, 4).toLongLong(), Qt::UTC),
                         found.text(row, 5), found.text(row, 6)});
    }
    return messages;
}

bool PostgresArchive::reachable()
{
    const bool answered = session() && m_db.exec("SELECT 1").ok();
    readNotifications();
    return answered;
}

std::optional<QHash<QString, qint64>> PostgresArchive::lastIds(const QStringList &rooms)
{
    if (!session())
        return std::nullopt;
    QByteArrayList quoted;
    for (const QString &room : rooms)
        quoted.append('"' + room.toUtf8().replace('\\', "\\\\").replace('"', "\\\"") + '"');
    const PgConnection::Result found = m_db.exec(
        "SELECT s.stanza, coalesce((SELECT id FROM messaggi WHERE messaggi.stanza = s.stanza AND NOT nascosto"
        " ORDER BY id DESC LIMIT 1), 0)"
        " FROM unnest($1::text[]) AS s(stanza)",
        {'{' + quoted.join(',') + '}'});
    readNotifications();
    if (!found.ok())
        return std::nullopt;
    QHash<QString, qint64> ids;
    for (int row = 0; row < found.rows(); ++row)
        ids.insert(found.text(row, 0), found.text(row, 1).toLongLong());
    return ids;
}

void PostgresArchive::watch(const Changed &changed)
{
    // Only a session that reads its notifications may ask for them: unread ones would hold up the
    // server's queue, and at length every instance's puts. Readers never ask.
    if (changed && !std::exchange(m_listening, true)) {
        m_db.setDeadline(QDeadlineTimer(readMs));
        m_db.addSetup(QByteArray("LISTEN ") + channel);
    }
    m_changed = changed;
    m_reread.reset();
    m_db.watch(changed ? std::function<void()>([this] { readNotifications(); }) : std::function<void()>());
    if (!changed)
        return;
    // The safety net, and the way back after the database was away.
    m_reread = std::make_unique<QTimer>();
    m_reread->setInterval(rereadMs);
    QObject::connect(m_reread.get(), &QTimer::timeout, [this] { m_changed(QString(), 0); });
    m_reread->start();
}

std::unique_ptr<MessageArchive> PostgresArchive::another() const
{
    return std::make_unique<PostgresArchive>(m_uri, m_flood);
}

void PostgresArchive::readNotifications()
{
    // Drained even when nobody watches: libpq would keep them without end.
    QList<PgConnection::Notification> notifications;
    m_db.readNotifications(&notifications);
    for (const PgConnection::Notification &notification : std::as_const(notifications)) {
        // Our own puts are in the room already.
        if (!m_changed || notification.fromPid == m_db.backendPid())
            continue;
        const qsizetype space = notification.payload.lastIndexOf(u' ');
        const qint64 id = space > 0 ? notification.payload.mid(space + 1).toLongLong() : 0;
        m_changed(id > 0 ? notification.payload.left(space) : notification.payload, id);
    }
}
