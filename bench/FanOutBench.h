#pragma once

#include <QByteArray>
#include <optional>
#include <vector>

// Subscribers of one room's event stream on one instance, from 127.0.0.2 upward,
// 50 to an address (under the default cap per address), and puts to that room:
// how long until the last subscriber has each message, and what each costs the
// service in resident memory.
class FanOutBench
{
public:
    FanOutBench(quint16 port, qint64 servicePid);
    ~FanOutBench();
    FanOutBench(const FanOutBench &) = delete;
    FanOutBench &operator=(const FanOutBench &) = delete;

    // False, with the reason on standard error, unless every one got its stream's head.
    bool subscribe(int count);
    // `puts` puts one after another: the p99 of the time until the last subscriber had each, in ms.
    std::optional<double> fanOutP99Ms(int puts);
    // The service's resident memory grown since before subscribe(), per subscriber.
    double kbPerSubscriber() const;

private:
    // Reads every subscriber until each has received `needle` once more, or 30 s pass: how many did not.
    size_t untilAllHave(QByteArrayView needle);

    const quint16 m_port;
    const qint64 m_pid;
    const int m_epoll;
    qint64 m_baseKb = 0;
    std::vector<int> m_fds;
};
