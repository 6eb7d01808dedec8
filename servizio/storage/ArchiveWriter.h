#pragma once

#include "MessageArchive.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QThread>
#include <functional>
#include <map>
#include <memory>

class PutLane;
class QTimer;
struct ServiceMetrics;

// Stores messages on a thread of its own, one at a time in the order given, so
// that waiting for the disk never holds up the polls; purges old ones there in
// small batches between the puts. An archive that offers more sessions takes each
// room's puts on a lane of its own, so that no room waits for another; the worker
// then follows the rooms and purges. The callbacks run on the thread that made the writer.
// It times each store and, once asked, checks the archive every second, telling
// `metrics` on its own thread.
class ArchiveWriter : public QObject
{
    Q_OBJECT

public:
    using Done = std::function<void(MessageArchive::Outcome, const ChatMessage &message)>;
    // A room changed: its newest messages as they are now (nothing when they could not
    // be read or did not change) and, in id order, those this instance had not seen yet.
    using Changed = std::function<void(const QString &room, const MessageArchive::Rows &page,
                                       const QList<ChatMessage> &arrived)>;

    ArchiveWriter(MessageArchive &archive, ServiceMetrics &metrics, QObject *parent = nullptr);
    // Finishes the writes already asked for, then stops; their `done` is not called.
    ~ArchiveWriter() override;

    // First of all: the rooms with the last id each has shown (-1: unknown), the size of
    // their pages, and whom to tell of their changes, own puts and other instances' alike.
    void follow(const QHash<QString, qint64> &lastIds, int pageSize, Changed changed);
    // `done` runs once the message is committed, refused or has failed; after `changed`.
    void store(const ChatMessage &message, Done done);
    // Deletes the messages older than `days` (0 keeps them all) and erases the senders' addresses
    // from those older than `addressDays`, now and then once a minute.
    void purgeOlderThan(int days, int addressDays);
    // Reads the room's page again, as after a change this instance cannot see by itself.
    void reread(const QString &room);
    // From now on the archive is the writer's alone: nobody else may call it.
    // Returns once the first check is done.
    void startChecks();

    static constexpr int purgeBatch = 100; // rows a transaction: the puts wait a few milliseconds at most
    static constexpr int arrivalBatch = 1000;
    static constexpr int checkMs = 1000;

private:
    void check();
    PutLane *laneFor(const QString &room);
    void counted(MessageArchive::Outcome outcome, qint64 nanoseconds);
    void changed(const QString &room, qint64 id);
    void rereadPending();
    void report(const QString &room, bool pageAnyway);
    void startPurge(int days, int addressDays);
    void purgeSome(const QDateTime &cutoff, const QDateTime &addressCutoff, bool anyDeleted);

    MessageArchive &m_archive;
    ServiceMetrics &m_metrics;
    QThread m_thread;
    QObject m_worker; // lives in m_thread: the archive's calls run in its event queue
    // Known to the worker only.
    QHash<QString, qint64> m_lastIds;
    int m_pageSize = 0;
    Changed m_changed;
    QSet<QString> m_pending; // rooms waiting to be re-read: a burst of notices costs one read each
    bool m_checkAll = false; // every room's newest id to be asked for
    std::unique_ptr<QTimer> m_purgeTimer;
    bool m_purging = false;
    std::unique_ptr<QTimer> m_check;
    std::map<QString, std::unique_ptr<PutLane>> m_lanes; // by room, on the owner's thread
};
