#pragma once

#include <QtGlobal>
#include <atomic>

// Bytes that all event loops together may hold for one purpose: taken before
// they are held, given back once they are not.
class ByteBudget
{
public:
    explicit ByteBudget(qint64 total) : m_left(total) {}

    // False, and nothing taken, when fewer than `bytes` are left.
    bool take(qint64 bytes)
    {
        qint64 left = m_left.load();
        do {
            if (left < bytes)
                return false;
        } while (!m_left.compare_exchange_weak(left, left - bytes));
        return true;
    }
    void give(qint64 bytes) { m_left += bytes; }

private:
    std::atomic<qint64> m_left;
};
