#pragma once

#include "AuditEntry.h"
#include "Ban.h"
#include "ChatMessage.h"
#include "ModerationNews.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

// Where the rooms' messages are kept: an SQLite file of this process alone, or a
// PostgreSQL database that several instances of the service share. Every message
// is kept until purged. Each archive object is used from one thread at a time;
// the writer and the readers each open their own on the same database.
class MessageArchive
{
public:
    // Unknown: the session was lost at the commit and could not be asked again whether it was done.
    enum class Outcome { Stored, Flooded, Failed, Unknown };
    // Puts per sender that the archive refuses within a window, counted by
    // every instance that shares it; a limit of 0 counts nothing.
    struct FloodRule
    {
        int limit = 0;
        qint64 windowMs = 0;
    };
    // Messages oldest first, or newest first for a search; nothing when the archive could not be read.
    using Rows = std::optional<QList<ChatMessage>>;

    virtual ~MessageArchive() = default;

    // Adds the message to its room: Stored only once it is durably committed,
    // with `message.id` filled in (and `time`, when it had none).
    virtual Outcome store(ChatMessage &message) = 0;
    // The room's newest `limit` older than `beforeId` (0: the newest of all), oldest first.
    virtual Rows before(const QString &room, qint64 beforeId, int limit) = 0;
    // The room's first `limit` newer than `afterId`, oldest first.
    virtual Rows after(const QString &room, qint64 afterId, int limit) = 0;
    // Newest first, older than `beforeId` (0: no bound), in `room` (empty: every
    // room): the messages in which every word of `words` begins a word, whatever
    // the letter case and accents. Words are cut at anything but letters and digits.
    virtual Rows search(const QStringList &words, const QString &room, qint64 beforeId, int limit) = 0;
    // Deletes at most `batch` of the messages written before `cutoff`, oldest
    // first, in a transaction of their own: how many, or -1 on failure.
    virtual int purge(const QDateTime &cutoff, int batch) = 0;
    Rows newest(const QString &room, int count) { return before(room, 0, count); }
    // The id of each room's newest message (0: none): whether a room changed, cheaply.
    virtual std::optional<QHash<QString, qint64>> lastIds(const QStringList &rooms);
    // From now on calls `changed`, in the calling thread, whenever another instance or
    // process may have changed `room`, with the id of the message it added (0: unknown); an
    // empty name stands for every room, `moderationNotice` for the operators' doings. An
    // empty function stops the calls.
    using Changed = std::function<void(const QString &room, qint64 id)>;
    virtual void watch(const Changed &changed) = 0;
    // Another session on the same database, for puts to run beside this one's;
    // none when one session must make them all.
    virtual std::unique_ptr<MessageArchive> another() const { return nullptr; }

    // Moderation, from the operator's shell and for the instances that follow it. Every
    // change is audited under `operatorName` and noticed by every instance within a second.
    enum class Change { Done, Unknown, Failed };
    // Newest first, hidden ones left out, in `room` (empty: every room), older than `beforeId` (0: no bound).
    virtual Rows latest(const QString &room, qint64 beforeId, int limit) = 0;
    // Hides every message of `ids`, or none when one of them is unknown (then `*unknownId` names it).
    virtual Change hide(const QList<qint64> &ids, const QString &operatorName, const QString &reason,
                        qint64 *unknownId) = 0;
    // The new ban's id, or 0 on failure.
    qint64 ban(const Ban &ban, const QString &operatorName);
    // Unknown for a ban that is not in force.
    Change unban(qint64 id, const QString &operatorName);
    std::optional<QList<Ban>> bans() { return bansInForce(0); } // oldest first
    virtual std::optional<QList<AuditEntry>> audit(int limit) = 0; // the newest `limit`, oldest first
    virtual std::optional<qint64> lastAuditId() = 0;
    // At most `limit` audit lines after `afterId`, and the messages they hid that are still kept.
    virtual std::optional<ModerationNews> moderationAfter(qint64 afterId, int limit) = 0;
    // Erases the sender's address from at most `batch` messages written before `cutoff`,
    // oldest first, in a transaction of their own: how many, or -1 on failure.
    virtual int eraseAddresses(const QDateTime &cutoff, int batch) = 0;
    // Whether the archive answers now; a lost connection is tried again first.
    // A file of this process is always there.
    virtual bool reachable();

    static const QString moderationNotice;

    // A `database` starting with "postgresql://" or "postgres://" is a libpq
    // connection URI, anything else an SQLite file. On failure `error` says why, in Italian.
    static std::unique_ptr<MessageArchive> open(const QString &database, const FloodRule &flood, QString *error);
    static bool isSqliteFile(const QString &database);

protected:
    // `work` in a transaction of its own, after any other moderation's; every instance is told once it is committed.
    virtual bool moderating(const std::function<bool()> &work) = 0;
    // The bans in force now; `id` 0: all of them.
    virtual std::optional<QList<Ban>> bansInForce(qint64 id) = 0;
    virtual qint64 insertBan(const Ban &ban) = 0; // its id, or 0
    virtual bool removeBan(qint64 id) = 0;
    // `messageId` 0: the line names no message.
    virtual bool audited(const AuditEntry &entry, qint64 messageId) = 0;

    // The search's words cut at anything but letters and digits: the pieces that each must begin a word.
    static QStringList searchTerms(const QStringList &words);
    // `beforeId` as an upper bound that every id is under.
    static qint64 idBound(qint64 beforeId);
};
