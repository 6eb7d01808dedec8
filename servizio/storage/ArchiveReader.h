#pragma once

#include "MessageArchive.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// Reads the archive for whoever asks, on a thread and a database connection of
// its own, so that the reads neither wait behind the puts nor block an event loop.
// Callable from any thread; each callback runs on the reader's thread, so the
// caller hands the rows back to its own. The queue is bounded: when it is full,
// the callback is called at once, with nothing.
class ArchiveReader
{
public:
    using Rows = MessageArchive::Rows;
    using Done = std::function<void(Rows)>;

    // `archive` is opened on the same database as the writer's, and from now on used by the reader alone.
    ArchiveReader(std::unique_ptr<MessageArchive> archive, int capacity);
    // Reads already under way finish; those still queued are dropped, their callbacks not called.
    ~ArchiveReader();
    ArchiveReader(const ArchiveReader &) = delete;
    ArchiveReader &operator=(const ArchiveReader &) = delete;

    // As MessageArchive's calls of the same names.
    void before(QString room, qint64 beforeId, int limit, Done done);
    void after(QString room, qint64 afterId, int limit, Done done);
    void search(QStringList words, QString room, qint64 beforeId, int limit, Done done);

private:
    using Read = std::function<Rows(MessageArchive &)>;
    void enqueue(Read read, Done done);
    void run();

    std::unique_ptr<MessageArchive> m_archive;
    const size_t m_capacity;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::pair<Read, Done>> m_queue;
    bool m_stopping = false;
    std::thread m_thread; // last: started once the rest is ready
};
