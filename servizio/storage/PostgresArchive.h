#pragma once

#include "MessageArchive.h"
#include "PgConnection.h"

#include <QTimer>

// The rooms' messages in a PostgreSQL database shared by several instances of
// the service. Puts into one room are serialised by the database, so every
// instance sees one order, and ids taken from one sequence grow with the
// commits within a room; puts of one sender are counted across instances.
// Searches go through a full-text index of the texts without their accents. Every instance learns of the others'
// puts by LISTEN/NOTIFY, and asks for the rooms' newest ids once a second in case a
// notification was lost. A lost session is opened again by the next call. Every
// call waits for the server a few seconds at most.
// `changed` (see watch()) is called from inside the archive's calls, so it must
// only take note and act later.
class PostgresArchive : public MessageArchive
{
public:
    PostgresArchive(const QByteArray &uri, const FloodRule &flood);
    ~PostgresArchive() override;

    // Connects and brings the schema up to date; on failure `error` says why, in Italian.
    bool open(QString *error);

    // A session found lost before the COMMIT was sent is replaced once; one lost at the
    // COMMIT is followed by a fresh one that asks, by the put's token, whether it was done.
    Outcome store(ChatMessage &message) override;
    Rows before(const QString &room, qint64 beforeId, int limit) override;
    Rows after(const QString &room, qint64 afterId, int limit) override;
    Rows search(const QStringList &words, const QString &room, qint64 beforeId, int limit) override;
    int purge(const QDateTime &cutoff, int batch) override;
    std::optional<QHash<QString, qint64>> lastIds(const QStringList &rooms) override;
    void watch(const Changed &changed) override;
    std::unique_ptr<MessageArchive> another() const override;
    bool reachable() override;

    Rows latest(const QString &room, qint64 beforeId, int limit) override;
    Change hide(const QList<qint64> &ids, const QString &operatorName, const QString &reason,
                qint64 *unknownId) override;
    std::optional<QList<AuditEntry>> audit(int limit) override;
    std::optional<qint64> lastAuditId() override;
    std::optional<ModerationNews> moderationAfter(qint64 afterId, int limit) override;
    int eraseAddresses(const QDateTime &cutoff, int batch) override;

    static constexpr int rereadMs = 1000;
    // How long a call waits for the server: a put is answered within a few seconds, stored or refused.
    static constexpr int putMs = 4500;
    static constexpr int readMs = 3000;
    static constexpr int openMs = 60000; // the schema's upgrade may rewrite a large table

protected:
    bool moderating(const std::function<bool()> &work) override;
    std::optional<QList<Ban>> bansInForce(qint64 id) override;
    qint64 insertBan(const Ban &ban) override;
    bool removeBan(qint64 id) override;
    bool audited(const AuditEntry &entry, qint64 messageId) override;

private:
    enum class Attempt { Stored, Refused, Lost, Unsure };
    bool session(int deadlineMs = readMs);
    Attempt storeOnce(ChatMessage &message, const QByteArray &token, bool fresh);
    bool insert(ChatMessage &message, const QByteArray &token);
    Outcome resolve(ChatMessage &message, const QByteArray &token, int lostPid);
    bool migrate(QString *error);
    bool upgrade(int from);
    Rows rows(const QByteArray &sql, const QList<QByteArray> &parameters);
    bool inTransaction(const std::function<bool()> &work, int deadlineMs = readMs);
    int changedBefore(const QByteArray &sql, const QDateTime &cutoff, int batch);
    bool allowsSender(const QByteArray &address);
    void readNotifications();

    QByteArray m_uri;
    PgConnection m_db;
    FloodRule m_flood;
    Changed m_changed;
    std::unique_ptr<QTimer> m_reread;
    bool m_listening = false;
    bool m_flooded = false; // the last store's refusal came from the flood count
    int m_lostPid = 0;      // the backend of the session lost at the last store's COMMIT
};
