#include "RequestLog.h"

#include <cerrno>
#include <chrono>
#include <unistd.h>

namespace {
constexpr int writeEveryMs = 20;
}

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
    bool filling = false;
    {
        const std::lock_guard lock(m_mutex);
        if (m_queue.size() + lines.size() > m_maxQueued) {
            m_dropped += count;
            m_droppedTotal.fetch_add(quint64(count), std::memory_order_relaxed);
            return;
        }
        m_queue += lines;
        filling = m_queue.size() > m_maxQueued / 2;
    }
    // The writer looks on its own every few milliseconds: woken for every batch, it
    // would cost the loops a thread switch per turn.
    if (filling)
        m_wake.notify_one();
}

void RequestLog::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait_for(lock, std::chrono::milliseconds(writeEveryMs),
                        [this] { return m_stopping || m_queue.size() > m_maxQueued / 2; });
        if (m_queue.isEmpty() && m_dropped == 0) {
            if (m_stopping)
                return; // all written
            continue;
        }
        const qint64 dropped = std::exchange(m_dropped, 0);
        // The count first: it tells of lines that came before these.
        QByteArray batch = dropped > 0
            ? "registro: " + QByteArray::number(dropped) + " righe perse, il disco non teneva il passo\n"
            : QByteArray();
        const qsizetype countLength = batch.size();
        batch += std::exchange(m_queue, QByteArray());
        lock.unlock();
        const qsizetype done = writeAll(batch);
        // Nowhere to write: the lines not written whole are lost, counted, and the service goes on.
        const qint64 unwritten = batch.sliced(done).count('\n') - (done < countLength ? 1 : 0); // request lines
        const qint64 lost = unwritten + (done < countLength ? dropped : 0);
        m_droppedTotal.fetch_add(quint64(unwritten), std::memory_order_relaxed);
        lock.lock();
        m_dropped += lost;
        if (lost > 0 && m_stopping)
            return; // nobody is reading: waiting would never end
    }
}

qsizetype RequestLog::writeAll(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(STDERR_FILENO, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno != EINTR)
            break;
        done += n > 0 ? n : 0;
    }
    return done;
}
