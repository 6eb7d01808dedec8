#include "ArchiveWriter.h"

ArchiveWriter::ArchiveWriter(MessageArchive &archive, QObject *parent)
    : QObject(parent)
    , m_archive(archive)
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
        m_thread.quit();
    });
    m_thread.wait();
}

void ArchiveWriter::store(const QString &room, const ChatMessage &message, int keep, Done done)
{
    QMetaObject::invokeMethod(&m_worker, [this, room, message, keep, done = std::move(done)] {
        const MessageArchive::Outcome outcome = m_archive.store(room, message, keep);
        std::optional<QList<ChatMessage>> after;
        if (outcome == MessageArchive::Outcome::Stored)
            after = m_archive.newest(room, keep);
        QMetaObject::invokeMethod(this, [done, outcome, after] { done(outcome, after); });
    });
}

void ArchiveWriter::follow(const QStringList &rooms, int keep, Reread reread)
{
    QMetaObject::invokeMethod(&m_worker, [this, rooms, keep, reread = std::move(reread)] {
        m_rooms = rooms;
        m_keep = keep;
        m_reread = reread;
        m_archive.watch([this](const QString &room) { changed(room); });
    });
}

void ArchiveWriter::changed(const QString &room)
{
    // Called from inside the archive: the reading waits for the worker's next turn.
    const bool idle = m_pending.isEmpty();
    if (room.isEmpty()) {
        for (const QString &each : std::as_const(m_rooms))
            m_pending.insert(each);
    } else if (m_rooms.contains(room)) {
        m_pending.insert(room);
    }
    if (idle && !m_pending.isEmpty())
        QMetaObject::invokeMethod(&m_worker, [this] { rereadPending(); }, Qt::QueuedConnection);
}

void ArchiveWriter::rereadPending()
{
    const QSet<QString> rooms = std::exchange(m_pending, {});
    for (const QString &room : rooms) {
        // A room that cannot be read keeps the page it had.
        if (const auto messages = m_archive.newest(room, m_keep))
            QMetaObject::invokeMethod(this, [this, room, messages = *messages] { m_reread(room, messages); });
    }
}
