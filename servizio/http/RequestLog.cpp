#include "RequestLog.h"

#include <cerrno>
#include <unistd.h>

RequestLog::RequestLog(qsizetype maxQueued)
    : m_maxQueued(maxQueued)
    , m_thread([this] { run(); })
{
}

RequestLog::~RequestLog()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void RequestLog::submit(const QByteArray &lines, qsizetype count)
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_queue.size() + lines.size() > m_maxQueued) {
            m_dropped += count;
            return;
        }
        m_queue += lines;
    }
    m_wake.notify_one();
}

void RequestLog::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_queue.isEmpty(); });
        if (m_queue.isEmpty())
            return; // stopping, and all written
        QByteArray batch;
        batch.swap(m_queue);
        const qint64 dropped = std::exchange(m_dropped, 0);
        lock.unlock();
        if (dropped > 0)
            batch += "registro: " + QByteArray::number(dropped) + " righe perse, il disco non teneva il passo\n";
        writeAll(batch);
        lock.lock();
    }
}

void RequestLog::writeAll(const QByteArray &bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(STDERR_FILENO, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno != EINTR)
            return; // nowhere to write: the lines are lost, the service goes on
        done += n > 0 ? n : 0;
    }
}
