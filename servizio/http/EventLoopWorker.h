#pragma once

#include "ApiService.h"
#include "ChatService.h"
#include "HttpConnection.h"
#include "HttpDate.h"
#include "HttpLimits.h"
#include "LogBatch.h"
#include "PageKind.h"
#include "RoomPageCache.h"
#include "RoomSubscribers.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class ByteBudget;
class ClientAddressResolver;
class ConnectionLimiter;
class RefusalPages;
class RequestCounters;
class SubscriberRegistry;
struct RequestHead;

// One event loop on a thread of its own, with its own listening socket: it
// accepts, reads request heads within the limits, answers polls from the shared
// room pages, hands puts to the service and API requests to the API, whose
// answers come back through deliver(), and keeps the event streams of its
// subscribers. Each connection gets a bounded share of every turn.
class EventLoopWorker
{
public:
    // Called on this loop's thread; `reply` may be called from any thread, once.
    using PutHandler = std::function<void(const RoomDirectory::Entry &room, const ServiceRequest &request,
                                          const ChatService::ReplyHandler &reply)>;
    struct Context
    {
        const HttpLimits &limits;
        ConnectionLimiter &limiter;
        const ClientAddressResolver &clients;
        const RoomPages &pages;
        RequestLog &log;
        const RefusalPages &refusals;
        PutHandler put;
        const ApiService &api;
        SubscriberRegistry &subscribers;
        ByteBudget &bodies;
    };

    // Takes over `listener`, a non-blocking listening socket, and starts the thread.
    // `counters`, when given, are this loop's own: only its thread writes them.
    EventLoopWorker(const Context &context, int listener, RequestCounters *counters);
    // Stops the thread and closes every connection.
    ~EventLoopWorker();
    // Stops the thread only: what is handed over from now on waits, unserved, for the destructor.
    void stop();
    EventLoopWorker(const EventLoopWorker &) = delete;
    EventLoopWorker &operator=(const EventLoopWorker &) = delete;

private:
    void run();
    void dispatch(int fd, std::uint32_t events);
    void acceptSome();
    void open(int fd, const QHostAddress &peer);
    void readFrom(HttpConnection &c);
    void consume(HttpConnection &c, QByteArrayView data, bool fromBuffer);
    bool holdBody(HttpConnection &c, qint64 length);
    void respond(HttpConnection &c, const RequestHead &head, QByteArrayView body);
    void wait(HttpConnection &c, const RoomDirectory::Entry &room, const ServiceRequest &request,
              QByteArrayView page, qint64 startNs);
    void await(HttpConnection &c, QByteArrayView page, qint64 startNs);
    void callApi(HttpConnection &c, const RequestHead &head, QByteArrayView body, const QHostAddress &client,
                 QByteArrayView page, qint64 startNs);
    void answer(HttpConnection &c, const QByteArray &bytes, QByteArrayView page, PageKind kind, int status,
                qint64 startNs);
    void refuse(HttpConnection &c, int status, bool bodiless = false);
    QByteArray stamped(const QByteArray &response) const;
    void write(HttpConnection &c, const QByteArray &bytes, qsizetype from);
    void answered(HttpConnection &c);
    void resume(HttpConnection &c);
    void queue(HttpConnection &c);
    void drain(HttpConnection &c);
    void settle(HttpConnection &c);
    void close(HttpConnection &c);
    void sweep();
    void expire(HttpConnection &c);
    void deliver(int fd, quint64 serial, const ServiceReply &reply);
    void post(std::function<void()> task); // from any thread: run on this loop's
    void takeDeliveries();
    void serveReady();
    void setAccepting(bool on);
    HttpConnection *find(int fd, quint64 serial = 0);

    // Event streams.
    void subscribe(HttpConnection &c, const ApiService::Subscription &subscription);
    void caughtUp(HttpConnection &c, const std::optional<QList<StreamEvent>> &missed);
    void fanOut(qsizetype room, const StreamEvent &event);
    void offer(HttpConnection &c, const StreamEvent &event);
    void stream(HttpConnection &c, const QByteArray &bytes);
    void keepStreaming(HttpConnection &c);

    Context m_context;
    RequestCounters *const m_counters; // null: metrics off
    const int m_listener;
    const int m_epoll;
    const int m_wake; // eventfd: deliveries waiting, or stop
    HttpDate m_date; // of this turn
    RoomPageCache m_pages;
    LogBatch m_log;
    std::vector<std::unique_ptr<HttpConnection>> m_connections; // by descriptor
    std::vector<std::pair<int, quint64>> m_ready; // connections with requests already received
    RoomSubscribers m_subscribers;
    quint64 m_serial = 0;
    qint64 m_nowMs = 0;
    qint64 m_nextSweepMs = 0;
    bool m_accepting = true;
    std::unique_ptr<char[]> m_scratch;
    std::mutex m_mailboxMutex;
    std::vector<std::function<void()>> m_mailbox;
    std::atomic<bool> m_stopping{false};
    int m_sink = 0; // in the subscriber registry
    std::thread m_thread; // last: it starts once the rest is ready
};
