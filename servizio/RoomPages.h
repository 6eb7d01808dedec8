#pragma once

#include <QByteArray>
#include <QList>
#include <atomic>
#include <mutex>

// Every room's poll page as a complete HTTP response, rendered once per change by
// the service's thread and read by every event loop. Readers keep their own copy
// of the list (RoomPageCache) and only take the lock after a change, so a poll is
// one atomic load, one lookup and one write.
class RoomPages
{
public:
    // The response to a poll, with and without keep-alive.
    struct Page
    {
        QByteArray keepAlive;
        QByteArray close;
    };

    explicit RoomPages(qsizetype rooms);

    // From the service's thread: `body` becomes the room's page.
    void publish(qsizetype room, const QByteArray &body);

    quint64 version() const { return m_version.load(std::memory_order_acquire); }
    // The pages and the version they are at.
    QList<Page> snapshot(quint64 *version) const;

private:
    mutable std::mutex m_mutex;
    QList<Page> m_pages;
    std::atomic<quint64> m_version{0};
};
