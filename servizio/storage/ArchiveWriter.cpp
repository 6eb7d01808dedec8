#include "ArchiveWriter.h"

#include "PutLane.h"
#include "ServiceMetrics.h"

#include <QElapsedTimer>
#include <QTimer>

ArchiveWriter::ArchiveWriter(MessageArchive &archive, ServiceMetrics &metrics, QObject *parent)
    : QObject(parent)
    , m_archive(archive)
    , m_metrics(metrics)
{
    m_thread.setObjectName(QStringLiteral("archivio"));
    m_worker.moveToThread(&m_thread);
    m_thread.start();
}

ArchiveWriter::~ArchiveWriter()
{
    m_lanes.clear(); // their puts finish first
    // Queued behind the pending writes, so none of them is lost.
    QMetaObject::invokeMethod(&m_worker, [this] {
        m_archive.watch({});
        m_purgeTimer.reset();
        m_check.reset();
        m_thread.quit();
    });
    m_thread.wait();
}

void ArchiveWriter::follow(const QHash<QString, qint64> &lastIds, int pageSize, Changed changed)
{
    QMetaObject::invokeMethod(&m_worker, [this, lastIds, pageSize, changed = std::move(changed)] {
        m_lastIds = lastIds;
        m_pageSize = pageSize;
        m_changed = changed;
        m_archive.watch([this](const QString &room, qint64 id) { this->changed(room, id); });
        for (auto room = lastIds.cbegin(); room != lastIds.cend(); ++room) {
            if (room.value() < 0)
                this->changed(room.key(), 0);
        }
    });
}

void ArchiveWriter::store(const ChatMessage &message, Done done)
{
    const auto answer = [this, done = std::move(done)](MessageArchive::Outcome outcome, const ChatMessage &stored) {
        QMetaObject::invokeMethod(this, [done, outcome, stored] { done(outcome, stored); });
    };
    // On the worker: the room is re-read before the answer, so that the sender's next poll shows the message.
    const auto shown = [this, answer](MessageArchive::Outcome outcome, const ChatMessage &stored, qint64 nanoseconds) {
        counted(outcome, nanoseconds);
        if (outcome == MessageArchive::Outcome::Stored)
            report(stored.room, false);
        answer(outcome, stored);
    };
    if (PutLane *lane = laneFor(message.room)) {
        lane->store(message, [this, answer, shown](MessageArchive::Outcome outcome, const ChatMessage &stored,
                                                   qint64 nanoseconds) {
            if (outcome == MessageArchive::Outcome::Stored) {
                QMetaObject::invokeMethod(&m_worker, [=] { shown(outcome, stored, nanoseconds); });
                return;
            }
            // A refusal is told at once, even while the worker waits for a database that does not answer.
            QMetaObject::invokeMethod(&m_worker, [=, this] { counted(outcome, nanoseconds); });
            answer(outcome, stored);
        });
        return;
    }
    QMetaObject::invokeMethod(&m_worker, [this, message, shown] {
        ChatMessage stored = message;
        QElapsedTimer clock;
        clock.start();
        const MessageArchive::Outcome outcome = m_archive.store(stored);
        shown(outcome, stored, clock.nsecsElapsed());
    });
}

PutLane *ArchiveWriter::laneFor(const QString &room)
{
    auto lane = m_lanes.find(room);
    if (lane == m_lanes.end()) {
        std::unique_ptr<MessageArchive> session = m_archive.another();
        if (!session)
            return nullptr;
        lane = m_lanes.emplace(room, std::make_unique<PutLane>(std::move(session), room)).first;
    }
    return lane->second.get();
}

void ArchiveWriter::counted(MessageArchive::Outcome outcome, qint64 nanoseconds)
{
    m_metrics.commitSeconds.observe(nanoseconds);
    // A failure is told at once.
    m_metrics.database.report(outcome != MessageArchive::Outcome::Failed
                              && outcome != MessageArchive::Outcome::Unknown);
}

void ArchiveWriter::purgeOlderThan(int days, int addressDays)
{
    QMetaObject::invokeMethod(&m_worker, [this, days, addressDays] {
        m_purgeTimer = std::make_unique<QTimer>();
        m_purgeTimer->setInterval(60 * 1000);
        QObject::connect(m_purgeTimer.get(), &QTimer::timeout, [this, days, addressDays] {
            startPurge(days, addressDays);
        });
        m_purgeTimer->start();
        startPurge(days, addressDays);
    });
}

void ArchiveWriter::reread(const QString &room)
{
    QMetaObject::invokeMethod(&m_worker, [this, room] {
        if (m_lastIds.contains(room))
            report(room, true);
    });
}

void ArchiveWriter::startChecks()
{
    QMetaObject::invokeMethod(&m_worker, [this] {
        m_check = std::make_unique<QTimer>();
        m_check->setInterval(checkMs);
        QObject::connect(m_check.get(), &QTimer::timeout, [this] { check(); });
        m_check->start();
        check();
    }, Qt::BlockingQueuedConnection); // the first verdict is in before anyone asks for it
}

void ArchiveWriter::check()
{
    m_metrics.database.report(m_archive.reachable());
}

void ArchiveWriter::changed(const QString &room, qint64 id)
{
    // Called from inside the archive: the reading waits for the worker's next turn.
    const bool idle = m_pending.isEmpty() && !m_checkAll;
    if (room.isEmpty())
        m_checkAll = true;
    else if (m_lastIds.contains(room) && (id <= 0 || id > m_lastIds.value(room)))
        m_pending.insert(room);
    if (idle && (m_checkAll || !m_pending.isEmpty()))
        QMetaObject::invokeMethod(&m_worker, [this] { rereadPending(); }, Qt::QueuedConnection);
}

void ArchiveWriter::rereadPending()
{
    if (std::exchange(m_checkAll, false)) {
        // The rooms' newest ids first: only a room with a message this instance has not seen is read.
        if (const auto newest = m_archive.lastIds(m_lastIds.keys())) {
            for (auto room = m_lastIds.cbegin(); room != m_lastIds.cend(); ++room) {
                if (room.value() < 0 || newest->value(room.key()) > room.value())
                    m_pending.insert(room.key());
            }
        }
    }
    const QSet<QString> rooms = std::exchange(m_pending, {});
    for (const QString &room : rooms)
        report(room, false);
}

void ArchiveWriter::report(const QString &room, bool pageAnyway)
{
    qint64 &lastId = m_lastIds[room];
    MessageArchive::Rows arrived;
    if (lastId >= 0) {
        arrived = m_archive.after(room, lastId, arrivalBatch);
        // Unread, the room keeps its page, and is read again at the next notice or tick.
        if (!arrived)
            return;
    }
    // New messages are added to the page as it is: their ids grow with the commits within a room.
    MessageArchive::Rows page;
    if (pageAnyway || lastId < 0)
        page = m_archive.newest(room, m_pageSize);
    if (lastId < 0 && page) // where this instance starts handing out, once the room can be read
        lastId = page->isEmpty() ? 0 : page->last().id;
    if (arrived && !arrived->isEmpty()) {
        lastId = arrived->last().id;
        if (arrived->size() == arrivalBatch)
            changed(room, 0); // more behind these
    }
    if (!page && (!arrived || arrived->isEmpty()))
        return;
    QMetaObject::invokeMethod(this, [this, room, page, arrived = arrived.value_or(QList<ChatMessage>())] {
        m_changed(room, page, arrived);
    });
}

void ArchiveWriter::startPurge(int days, int addressDays)
{
    if (std::exchange(m_purging, true))
        return;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    purgeSome(days > 0 ? now.addDays(-days) : QDateTime(), now.addDays(-addressDays), false);
}

void ArchiveWriter::purgeSome(const QDateTime &cutoff, const QDateTime &addressCutoff, bool anyDeleted)
{
    // One batch of each a turn of the worker: puts queued meanwhile go in between.
    const int deleted = cutoff.isValid() ? m_archive.purge(cutoff, purgeBatch) : 0;
    const int erased = m_archive.eraseAddresses(addressCutoff, purgeBatch);
    anyDeleted = anyDeleted || deleted > 0;
    if (deleted == purgeBatch || erased == purgeBatch) {
        QMetaObject::invokeMethod(&m_worker, [this, cutoff, addressCutoff, anyDeleted] {
            purgeSome(cutoff, addressCutoff, anyDeleted);
        }, Qt::QueuedConnection);
        return;
    }
    m_purging = false;
    // A quiet room's page may have shown what is gone now.
    if (!anyDeleted)
        return;
    for (const QString &room : m_lastIds.keys())
        report(room, true);
}
