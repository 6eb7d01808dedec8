#pragma once

#include <QtGlobal>
#include <atomic>

// Whether the archive answered its last check, told by the archive's thread and
// read by any. A verdict that is not renewed in time goes stale: a writer stuck
// for that long takes no puts either.
class DatabaseHealth
{
public:
    static constexpr qint64 staleMs = 10000;

    void report(bool reachable);
    bool up() const;

private:
    static qint64 nowMs();

    std::atomic<bool> m_reachable{false};
    std::atomic<qint64> m_reportedMs{0};
};
