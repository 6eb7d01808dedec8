#include "PutLane.h"

#include <QElapsedTimer>

PutLane::PutLane(std::unique_ptr<MessageArchive> archive, const QString &room)
    : m_archive(std::move(archive))
{
    m_thread.setObjectName(QStringLiteral("invii ") + room);
    m_worker.moveToThread(&m_thread);
    m_thread.start();
}

PutLane::~PutLane()
{
    // Queued behind the pending puts, so none of them is lost.
    QMetaObject::invokeMethod(&m_worker, [this] { m_thread.quit(); });
    m_thread.wait();
}

void PutLane::store(const ChatMessage &message, Stored stored)
{
    QMetaObject::invokeMethod(&m_worker, [this, message, stored = std::move(stored)] {
        ChatMessage kept = message;
        QElapsedTimer clock;
        clock.start();
        const MessageArchive::Outcome outcome = m_archive->store(kept);
        stored(outcome, kept, clock.nsecsElapsed());
    });
}
