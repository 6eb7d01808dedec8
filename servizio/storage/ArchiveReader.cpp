#include "ArchiveReader.h"

ArchiveReader::ArchiveReader(std::unique_ptr<MessageArchive> archive, int capacity)
    : m_archive(std::move(archive))
    , m_capacity(size_t(capacity))
    , m_thread([this] { run(); })
{
}

ArchiveReader::~ArchiveReader()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void ArchiveReader::before(QString room, qint64 beforeId, int limit, Done done)
{
    enqueue([room = std::move(room), beforeId, limit](MessageArchive &archive) {
        return archive.before(room, beforeId, limit);
    }, std::move(done));
}

void ArchiveReader::after(QString room, qint64 afterId, int limit, Done done)
{
    enqueue([room = std::move(room), afterId, limit](MessageArchive &archive) {
        return archive.after(room, afterId, limit);
    }, std::move(done));
}

void ArchiveReader::search(QStringList words, QString room, qint64 beforeId, int limit, Done done)
{
    enqueue([words = std::move(words), room = std::move(room), beforeId, limit](MessageArchive &archive) {
        return archive.search(words, room, beforeId, limit);
    }, std::move(done));
}

void ArchiveReader::enqueue(Read read, Done done)
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_queue.size() < m_capacity) {
            m_queue.emplace_back(std::move(read), std::move(done));
            m_wake.notify_one();
            return;
        }
    }
    done(std::nullopt);
}

void ArchiveReader::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_stopping)
            return;
        auto [read, done] = std::move(m_queue.front());
        m_queue.pop_front();
        lock.unlock();
        done(read(*m_archive));
        lock.lock();
    }
}
