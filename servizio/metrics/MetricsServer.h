#pragma once

#include "HeadScanner.h"
#include "HttpDate.h"
#include "HttpLimits.h"
#include "ServiceReply.h"

#include <QByteArray>
#include <QHostAddress>
#include <array>
#include <atomic>
#include <functional>
#include <thread>

// The operators' listener, apart from the clients' one: a few connections at a
// time on a thread of its own, one short GET each, answered and closed, all
// within a few seconds. What comes beyond the cap is closed at once.
class MetricsServer
{
public:
    static constexpr int maxConnections = 8;
    static constexpr int maxHeadBytes = 4096;
    static constexpr int timeoutSeconds = 5; // for the whole exchange

    // Called on the listener's thread with a request's method (a HEAD as a GET, its
    // body then left out) and path, query left out.
    using Handler = std::function<ServiceReply(bool isGet, QByteArrayView path)>;

    explicit MetricsServer(Handler handler);
    ~MetricsServer();
    MetricsServer(const MetricsServer &) = delete;
    MetricsServer &operator=(const MetricsServer &) = delete;

    // The port listened on (the one picked when `port` is 0), or 0 on failure.
    quint16 start(const QHostAddress &address, quint16 port);

private:
    struct Connection
    {
        int fd = -1;
        qint64 deadlineMs = 0;
        HeadScanner scanner;
        QByteArray in;
        QByteArray out; // once set, the request is not read further; once sent, what comes is dropped
        qsizetype sent = 0;
    };

    void run();
    void acceptOne();
    void serve(Connection &c, short events);
    void readFrom(Connection &c);
    void drain(Connection &c);
    void reply(Connection &c, const ServiceReply &reply, bool bodiless = false);
    void close(Connection &c);
    static qint64 nowMs();

    const Handler m_handler;
    const HttpLimits m_limits;
    HttpDate m_date;
    int m_listener = -1;
    int m_wake = -1; // eventfd: stop
    std::array<Connection, maxConnections> m_connections;
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};
