#include "ArchiveWriter.h"

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
        m_archive.watch([this](const QString &room) { this->changed(room); });
        for (auto room = lastIds.cbegin(); room != lastIds.cend(); ++room) {
            if (room.value() < 0)
                this->changed(room.key());
        }
    });
}

void ArchiveWriter::store(const ChatMessage &message, Done done)
{
    QMetaObject::invokeMethod(&m_worker, [this, message, done = std::move(done)] {
        ChatMessage stored = message;
        QElapsedTimer clock;
        clock.start();
        const MessageArchive::Outcome outcome = m_archive.store(stored);
        m_metrics.commitSeconds.observe(clock.nsecsElapsed());
        m_metrics.database.report(outcome != MessageArchive::Outcome::Failed); // a failure is told at once
        if (outcome == MessageArchive::Outcome::Stored)
            report(stored.room, false);
        QMetaObject::invokeMethod(this, [done, outcome, stored] { done(outcome, stored); });
    });
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

void ArchiveWriter::changed(const QString &room)
{
    // Called from inside the archive: the reading waits for the worker's next turn.
    const bool idle = m_pending.isEmpty();
    if (room.isEmpty()) {
        for (auto each = m_lastIds.cbegin(); each != m_lastIds.cend(); ++each)
            m_pending.insert(each.key());
    } else if (m_lastIds.contains(room)) {
        m_pending.insert(room);
    }
    if (idle && !m_pending.isEmpty())
        QMetaObject::invokeMethod(&m_worker, [this] { rereadPending(); }, Qt::QueuedConnection);
}

void ArchiveWriter::rereadPending()
{
    const QSet<QString> rooms = std::exchange(m_pending, {});
    for (const QString &room : rooms)
        report(room, false);
}

void ArchiveWriter::report(const QString &room, bool pageAnyway)
{
    qint64 &lastId = m_lastIds[room];
    MessageArchive::Rows arrived;
    if (lastId >= 0)
        arrived = m_archive.after(room, lastId, arrivalBatch);
    // Nothing new, nothing to show again: a room re-read in vain costs one small read.
    MessageArchive::Rows page;
    if (pageAnyway || !arrived || !arrived->isEmpty())
        page = m_archive.newest(room, m_pageSize);
    if (lastId < 0 && page) // where this instance starts handing out, once the room can be read
        lastId = page->isEmpty() ? 0 : page->last().id;
    if (arrived && !arrived->isEmpty()) {
        lastId = arrived->last().id;
        if (arrived->size() == arrivalBatch)
            changed(room); // more behind these
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
