#pragma once

#include <QByteArray>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

// Writes the event loops' log lines to standard error on a thread of its own, so
// that a slow disk never holds up an answer. At most `maxQueued` bytes wait; lines
// beyond that are dropped, counted, and the count written once the disk catches up;
// so are lines whose write fails.
class RequestLog
{
public:
    explicit RequestLog(qsizetype maxQueued);
    // Writes what is queued, then stops.
    ~RequestLog();
    RequestLog(const RequestLog &) = delete;
    RequestLog &operator=(const RequestLog &) = delete;

    // `lines` complete lines, `count` of them.
    void submit(const QByteArray &lines, qsizetype count);
    // Lines dropped since the start.
    quint64 droppedTotal() const { return m_droppedTotal.load(std::memory_order_relaxed); }

private:
    void run();
    static qsizetype writeAll(const QByteArray &bytes); // how many bytes were written

    const qsizetype m_maxQueued;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    QByteArray m_queue;
    qint64 m_dropped = 0; // not yet told in the log
    std::atomic<quint64> m_droppedTotal{0};
    bool m_stopping = false;
    std::thread m_thread; // last: it starts once the rest is ready
};
