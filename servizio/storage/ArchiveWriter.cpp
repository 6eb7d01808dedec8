#include "ArchiveWriter.h"

#include "MessageArchive.h"

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
    QMetaObject::invokeMethod(&m_worker, [this] { m_thread.quit(); });
    m_thread.wait();
}

void ArchiveWriter::store(const QString &room, const ChatMessage &message, int keep,
                          std::function<void(bool)> done)
{
    QMetaObject::invokeMethod(&m_worker, [this, room, message, keep, done = std::move(done)] {
        const bool stored = m_archive.store(room, message, keep);
        QMetaObject::invokeMethod(this, [done, stored] { done(stored); });
    });
}
