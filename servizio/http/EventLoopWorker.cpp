#include "EventLoopWorker.h"

#include "ByteBudget.h"
#include "ClientAddressResolver.h"
#include "ConnectionLimiter.h"
#include "EventStream.h"
#include "HttpResponse.h"
#include "RefusalPages.h"
#include "RequestCounters.h"
#include "RequestHead.h"
#include "SubscriberRegistry.h"

#include <cerrno>
#include <ctime>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
constexpr int sweepMs = 200;
constexpr qsizetype readChunk = 16 * 1024;
constexpr int requestsPerTurn = 16; // then the connection waits for the next turn
constexpr int acceptsPerTurn = 64;
constexpr int eventsPerTurn = 256;
constexpr qint64 lingerMs = 2000;   // a closing connection's last answer gets this long to be read ...
constexpr qint64 lingerBytes = 256 * 1024; // ... while at most this much more is thrown away
constexpr qsizetype streamBacklogBytes = 256 * 1024; // a subscriber further behind is dropped
constexpr int streamSendBuffer = 64 * 1024; // so the backlog, not the kernel, holds what it has not read
constexpr qint64 commentMs = 25000; // a quiet stream says something this often, for the proxies on its way

qint64 clockNs(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}
} // namespace

EventLoopWorker::EventLoopWorker(const Context &context, int listener, RequestCounters *counters)
    : m_context(context)
    , m_counters(counters)
    , m_listener(listener)
    , m_epoll(epoll_create1(EPOLL_CLOEXEC))
    , m_wake(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
    , m_pages(context.pages, m_date)
    , m_log(context.log)
    , m_subscribers(RoomDirectory::rooms().size())
    , m_scratch(new char[readChunk])
{
    for (const int fd : {m_listener, m_wake}) {
        epoll_event event{EPOLLIN, {}};
        event.data.fd = fd;
        epoll_ctl(m_epoll, EPOLL_CTL_ADD, fd, &event);
    }
    m_thread = std::thread([this] { run(); });
    m_sink = m_context.subscribers.addSink([this](qsizetype room, const StreamEvent &event) {
        post([this, room, event] { fanOut(room, event); });
    });
}

EventLoopWorker::~EventLoopWorker()
{
    stop();
    for (const auto &c : m_connections) {
        if (c)
            close(*c);
    }
    ::close(m_listener);
    ::close(m_wake);
    ::close(m_epoll);
}

void EventLoopWorker::stop()
{
    if (!m_thread.joinable())
        return;
    m_context.subscribers.removeSink(m_sink);
    m_stopping = true;
    eventfd_write(m_wake, 1);
    m_thread.join();
}

void EventLoopWorker::run()
{
    epoll_event events[eventsPerTurn];
    while (!m_stopping) {
        const int n = epoll_wait(m_epoll, events, eventsPerTurn, m_ready.empty() ? sweepMs : 0);
        m_nowMs = clockNs(CLOCK_MONOTONIC_COARSE) / 1000000;
        m_date.update(std::time_t(clockNs(CLOCK_REALTIME_COARSE) / 1000000000));
        for (int i = 0; i < n; ++i)
            dispatch(events[i].data.fd, events[i].events);
        serveReady();
        if (m_nowMs >= m_nextSweepMs)
            sweep();
        m_log.flush();
    }
}

void EventLoopWorker::dispatch(int fd, std::uint32_t events)
{
    if (fd == m_listener)
        return acceptSome();
    if (fd == m_wake)
        return takeDeliveries();
    HttpConnection *c = find(fd);
    if (!c)
        return;
    if (events & (EPOLLERR | EPOLLHUP))
        c->broken = true;
    else if ((events & EPOLLOUT) && !c->out.isEmpty()) {
        write(*c, c->out, c->sent);
        resume(*c);
    } else if (events & EPOLLIN)
        readFrom(*c);
    settle(*c);
}

void EventLoopWorker::acceptSome()
{
    for (int i = 0; i < acceptsPerTurn; ++i) {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        const int fd = accept4(m_listener, reinterpret_cast<sockaddr *>(&address), &length,
                               SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            // Out of descriptors: stop asking until the next sweep, or the loop would spin.
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
                setAccepting(false);
            return;
        }
        const QHostAddress peer(reinterpret_cast<const sockaddr *>(&address));
        const ConnectionLimiter::Verdict verdict = m_context.limiter.admit(peer);
        if (verdict == ConnectionLimiter::Verdict::Admitted) {
            open(fd, peer);
            continue;
        }
        if (m_counters)
            m_counters->refused(verdict);
        // Over a cap: one try at saying so, then closed at once; nothing is kept for it.
        const QByteArray page = stamped(m_context.refusals.page(503));
        [[maybe_unused]] const ssize_t sent = send(fd, page.constData(), size_t(page.size()), MSG_DONTWAIT | MSG_NOSIGNAL);
        ::close(fd);
        m_log.add(peer.toString().toLatin1(), "-", 503, 0);
    }
}

void EventLoopWorker::open(int fd, const QHostAddress &peer)
{
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    if (size_t(fd) >= m_connections.size())
        m_connections.resize(size_t(fd) + 1);
    auto c = std::make_unique<HttpConnection>();
    c->fd = fd;
    c->serial = ++m_serial;
    c->peer = peer;
    c->peerText = peer.toString().toLatin1();
    c->deadlineMs = m_nowMs + qint64(m_context.limits.headTimeoutSeconds) * 1000;
    c->events = EPOLLIN;
    epoll_event event{c->events, {}};
    event.data.fd = fd;
    epoll_ctl(m_epoll, EPOLL_CTL_ADD, fd, &event);
    m_connections[size_t(fd)] = std::move(c);
}

void EventLoopWorker::readFrom(HttpConnection &c)
{
    if (c.phase == HttpConnection::Phase::Closing || c.phase == HttpConnection::Phase::Streaming)
        return drain(c);
    if (c.in.size() >= std::max<qsizetype>(m_context.limits.maxHeadBytes, c.wanted))
        return consume(c, c.in, true); // requests enough already: handle them before reading on
    const ssize_t n = recv(c.fd, m_scratch.get(), readChunk, 0);
    if (n <= 0) {
        // The end of the client's requests, not of its answers: settle() closes once they are out.
        c.readEnded = n == 0;
        c.broken = n < 0 && errno != EAGAIN && errno != EINTR;
        return;
    }
    if (c.in.isEmpty())
        return consume(c, QByteArrayView(m_scratch.get(), n), false);
    c.in.append(m_scratch.get(), n);
    consume(c, c.in, true);
}

void EventLoopWorker::consume(HttpConnection &c, QByteArrayView data, bool fromBuffer)
{
    using Phase = HttpConnection::Phase;
    qsizetype at = 0;
    int served = 0;
    while (at < data.size() && (c.phase == Phase::Head || c.phase == Phase::Idle) && c.out.isEmpty() && !c.broken) {
        if (c.bodyToSkip > 0) {
            const qint64 skip = std::min<qint64>(c.bodyToSkip, data.size() - at);
            at += skip;
            c.bodyToSkip -= skip;
            continue;
        }
        if (served == requestsPerTurn) {
            queue(c);
            break;
        }
        if (c.phase == Phase::Idle) {
            c.phase = Phase::Head;
            c.deadlineMs = m_nowMs + qint64(m_context.limits.headTimeoutSeconds) * 1000;
        }
        const QByteArrayView rest = data.sliced(at);
        const HeadScanner::State state = c.scanner.scan(rest, m_context.limits);
        if (state == HeadScanner::State::Incomplete)
            break;
        if (state == HeadScanner::State::Refused) {
            refuse(c, c.scanner.refusal());
            break;
        }
        const qsizetype headLength = c.scanner.headLength();
        const RequestHead head = RequestHead::parse(rest.first(headLength), m_context.limits);
        if (head.refusal != 0) {
            refuse(c, head.refusal, head.isHead);
            break;
        }
        // The API reads bodies (within the limit the head was held to); the pages skip them.
        const bool keepsBody = ApiRouter::handles(head.target.path());
        if (keepsBody && c.bodyHeld == 0 && head.contentLength > 0 && !holdBody(c, head.contentLength))
            break;
        c.wanted = headLength + (keepsBody ? head.contentLength : 0);
        if (rest.size() < c.wanted)
            break; // the scanner keeps the head until its body is in
        at += c.wanted;
        c.wanted = 0;
        c.scanner.reset();
        c.bodyToSkip = keepsBody ? 0 : head.contentLength;
        respond(c, head, keepsBody ? rest.sliced(headLength, head.contentLength) : QByteArrayView());
        m_context.bodies.give(std::exchange(c.bodyHeld, 0)); // copied into the request
        ++served;
    }
    // What is left: part of a head, or requests behind one not yet answered.
    if (c.phase == Phase::Closing || c.phase == Phase::Streaming || at == data.size())
        c.in = QByteArray();
    else if (fromBuffer)
        c.in.remove(0, at);
    else
        c.in = data.sliced(at).toByteArray();
}

bool EventLoopWorker::holdBody(HttpConnection &c, qint64 length)
{
    // Many bodies trickling in at once would hold that much each: they share one budget.
    if (!m_context.bodies.take(length)) {
        refuse(c, 503);
        return false;
    }
    c.bodyHeld = length;
    return true;
}

void EventLoopWorker::respond(HttpConnection &c, const RequestHead &head, QByteArrayView body)
{
    const qint64 startNs = clockNs(CLOCK_MONOTONIC);
    c.keepAlive = head.keepAlive;
    c.bodiless = head.isHead;
    const QHostAddress client = head.forwardedFor.isEmpty() ? c.peer : m_context.clients.resolve(c.peer, head.forwardedFor);
    c.client = head.forwardedFor.isEmpty() ? c.peerText : client.toString().toLatin1();
    const QByteArrayView page = head.target.path();
    if (ApiRouter::handles(page))
        return callApi(c, head, body, client, page, startNs);
    const bool reading = head.isGet || head.isHead;
    const auto match = reading ? RoomDirectory::find(page) : std::nullopt;
    if (match && match->action == RoomDirectory::Action::Poll)
        return answer(c, m_pages.page(RoomDirectory::index(*match->room), c.keepAlive), page, PageKind::Poll, 200,
                      startNs);
    const ServiceRequest request{reading, QString::fromUtf8(page), QString::fromLatin1(head.target.query()), client,
                                 head.ifNoneMatch};
    if (match && !head.isHead)
        return wait(c, *match->room, request, page, startNs);
    // A put changes the room: a HEAD must not, and without doing so it cannot know the put's answer.
    const ServiceReply reply = match ? ChatService::methodNotAllowed("GET") : ChatService::page(request);
    answer(c, HttpResponse::bytes(reply, c.keepAlive, m_date.text()), page, PageKinds::of(page), reply.status,
           startNs);
}

void EventLoopWorker::wait(HttpConnection &c, const RoomDirectory::Entry &room, const ServiceRequest &request,
                           QByteArrayView page, qint64 startNs)
{
    await(c, page, startNs);
    m_context.put(room, request, [this, fd = c.fd, serial = c.serial](const ServiceReply &reply) {
        deliver(fd, serial, reply);
    });
}

void EventLoopWorker::await(HttpConnection &c, QByteArrayView page, qint64 startNs)
{
    c.phase = HttpConnection::Phase::Waiting;
    c.waitingPage = page.toByteArray();
    c.waitingSinceNs = startNs;
}

void EventLoopWorker::callApi(HttpConnection &c, const RequestHead &head, QByteArrayView body,
                              const QHostAddress &client, QByteArrayView page, qint64 startNs)
{
    const ApiRequest request{head.method.toByteArray(),
                             page.toByteArray(),
                             QString::fromLatin1(head.target.query()),
                             head.contentType.toByteArray(),
                             head.lastEventId.toByteArray(),
                             body.toByteArray(),
                             client};
    const ApiService::Answer reply = m_context.api.handle(
        request, [this, fd = c.fd, serial = c.serial](const ServiceReply &reply) { deliver(fd, serial, reply); });
    if (const auto *now = std::get_if<ServiceReply>(&reply))
        return answer(c, HttpResponse::bytes(*now, c.keepAlive, m_date.text()), page, PageKinds::of(page),
                      now->status, startNs);
    if (const auto *subscription = std::get_if<ApiService::Subscription>(&reply)) {
        const qint64 elapsedNs = clockNs(CLOCK_MONOTONIC) - startNs;
        m_log.add(c.client, page, 200, elapsedNs);
        if (m_counters)
            m_counters->answered(PageKind::Events, 200, elapsedNs);
        return subscribe(c, *subscription);
    }
    await(c, page, startNs);
}

void EventLoopWorker::answer(HttpConnection &c, const QByteArray &bytes, QByteArrayView page, PageKind kind,
                             int status, qint64 startNs)
{
    c.closeAfterOut = !c.keepAlive;
    write(c, c.bodiless ? HttpResponse::withoutBody(bytes) : bytes, 0);
    const qint64 elapsedNs = clockNs(CLOCK_MONOTONIC) - startNs;
    m_log.add(c.client, page, status, elapsedNs);
    if (m_counters)
        m_counters->answered(kind, status, elapsedNs);
}

void EventLoopWorker::refuse(HttpConnection &c, int status, bool bodiless)
{
    c.bodyToSkip = 0;
    c.closeAfterOut = true;
    const QByteArray page = stamped(m_context.refusals.page(status));
    write(c, bodiless ? HttpResponse::withoutBody(page) : page, 0);
    m_log.add(c.peerText, "-", status, 0);
    if (m_counters)
        m_counters->answered(PageKind::Other, status, 0);
}

QByteArray EventLoopWorker::stamped(const QByteArray &response) const
{
    QByteArray copy = response;
    HttpDate::stamp(copy, m_date.text());
    return copy;
}

void EventLoopWorker::write(HttpConnection &c, const QByteArray &bytes, qsizetype from)
{
    const ssize_t n = send(c.fd, bytes.constData() + from, size_t(bytes.size() - from), MSG_NOSIGNAL);
    if (n < 0 && errno != EAGAIN && errno != EINTR) {
        c.broken = true;
        return;
    }
    const qsizetype sent = from + std::max<qsizetype>(n, 0);
    if (sent == bytes.size()) {
        c.out = QByteArray();
        return answered(c);
    }
    // The rest waits for the client to read; the page is shared, not copied.
    c.out = bytes;
    c.sent = sent;
    c.deadlineMs = m_nowMs + qint64(m_context.limits.idleSeconds) * 1000;
}

void EventLoopWorker::answered(HttpConnection &c)
{
    if (c.phase == HttpConnection::Phase::Streaming)
        return;
    if (c.closeAfterOut) {
        // Half-closed first, so the answer is not lost to a reset when unread input remains.
        shutdown(c.fd, SHUT_WR);
        c.phase = HttpConnection::Phase::Closing;
        c.deadlineMs = m_nowMs + lingerMs;
        return;
    }
    c.phase = HttpConnection::Phase::Idle;
    c.deadlineMs = m_nowMs + qint64(m_context.limits.idleSeconds) * 1000;
}

void EventLoopWorker::resume(HttpConnection &c)
{
    // Requests that came in behind the one just answered are served on the next turn.
    if (c.out.isEmpty() && c.phase == HttpConnection::Phase::Idle && !c.in.isEmpty())
        queue(c);
}

void EventLoopWorker::queue(HttpConnection &c)
{
    if (!std::exchange(c.queued, true))
        m_ready.emplace_back(c.fd, c.serial);
}

void EventLoopWorker::drain(HttpConnection &c)
{
    const ssize_t n = recv(c.fd, m_scratch.get(), readChunk, 0);
    if (n > 0)
        c.drained += n;
    c.broken = n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR) || c.drained > lingerBytes;
}

void EventLoopWorker::settle(HttpConnection &c)
{
    using Phase = HttpConnection::Phase;
    // After the client's last byte, every request it sent before is answered; then there is nothing to wait for.
    const bool done = c.readEnded && c.out.isEmpty() && c.phase != Phase::Waiting && !c.queued;
    if (c.broken || done)
        return close(c);
    const bool reading = !c.readEnded
        && (c.phase == Phase::Closing || c.phase == Phase::Streaming || (c.phase != Phase::Waiting && c.out.isEmpty()));
    const std::uint32_t events = (reading ? std::uint32_t(EPOLLIN) : 0u) | (c.out.isEmpty() ? 0u : std::uint32_t(EPOLLOUT));
    if (events == c.events)
        return;
    c.events = events;
    epoll_event event{events, {}};
    event.data.fd = c.fd;
    epoll_ctl(m_epoll, EPOLL_CTL_MOD, c.fd, &event);
}

void EventLoopWorker::close(HttpConnection &c)
{
    if (c.phase == HttpConnection::Phase::Waiting)
        m_log.add(c.client, c.waitingPage, 0, clockNs(CLOCK_MONOTONIC) - c.waitingSinceNs); // left before its answer
    if (c.phase == HttpConnection::Phase::Streaming) {
        m_subscribers.remove(c.room, {c.fd, c.serial});
        if (m_counters)
            m_counters->streams().add(-1);
    }
    m_context.limiter.release(c.peer);
    m_context.bodies.give(c.bodyHeld);
    ::close(c.fd);
    m_connections[size_t(c.fd)].reset();
}

void EventLoopWorker::sweep()
{
    m_nextSweepMs = m_nowMs + sweepMs;
    setAccepting(true);
    for (const auto &c : m_connections) {
        if (c && c->phase == HttpConnection::Phase::Streaming) {
            keepStreaming(*c);
            settle(*c);
        } else if (c && c->phase != HttpConnection::Phase::Waiting && c->deadlineMs <= m_nowMs) {
            expire(*c);
            settle(*c);
        }
    }
}

void EventLoopWorker::expire(HttpConnection &c)
{
    // A head overdue gets its 408; a silent kept-alive connection, a stalled reader
    // or a closing one is simply closed.
    if (c.phase == HttpConnection::Phase::Head && c.out.isEmpty())
        refuse(c, 408);
    else
        c.broken = true;
}

void EventLoopWorker::deliver(int fd, quint64 serial, const ServiceReply &reply)
{
    post([this, fd, serial, reply] {
        HttpConnection *c = find(fd, serial);
        if (!c || c->phase != HttpConnection::Phase::Waiting)
            return; // it left; close() has logged it
        c->phase = HttpConnection::Phase::Head;
        answer(*c, HttpResponse::bytes(reply, c->keepAlive, m_date.text()), c->waitingPage,
               PageKinds::of(c->waitingPage), reply.status, c->waitingSinceNs);
        resume(*c);
        settle(*c);
    });
}

void EventLoopWorker::post(std::function<void()> task)
{
    {
        const std::lock_guard lock(m_mailboxMutex);
        m_mailbox.push_back(std::move(task));
    }
    eventfd_write(m_wake, 1);
}

void EventLoopWorker::takeDeliveries()
{
    eventfd_t count = 0;
    eventfd_read(m_wake, &count);
    std::vector<std::function<void()>> tasks;
    {
        const std::lock_guard lock(m_mailboxMutex);
        tasks.swap(m_mailbox);
    }
    for (const auto &task : tasks)
        task();
}

void EventLoopWorker::serveReady()
{
    std::vector<std::pair<int, quint64>> ready;
    ready.swap(m_ready);
    for (const auto &[fd, serial] : ready) {
        if (HttpConnection *c = find(fd, serial)) {
            c->queued = false;
            consume(*c, c->in, true);
            settle(*c);
        }
    }
}

void EventLoopWorker::setAccepting(bool on)
{
    if (on == m_accepting)
        return;
    m_accepting = on;
    epoll_event event{on ? std::uint32_t(EPOLLIN) : 0, {}};
    event.data.fd = m_listener;
    epoll_ctl(m_epoll, EPOLL_CTL_MOD, m_listener, &event);
}

HttpConnection *EventLoopWorker::find(int fd, quint64 serial)
{
    if (fd < 0 || size_t(fd) >= m_connections.size())
        return nullptr;
    HttpConnection *c = m_connections[size_t(fd)].get();
    return c && (serial == 0 || c->serial == serial) ? c : nullptr;
}

void EventLoopWorker::subscribe(HttpConnection &c, const ApiService::Subscription &subscription)
{
    c.phase = HttpConnection::Phase::Streaming;
    c.room = subscription.room;
    c.lastEventId = subscription.lastEventId;
    c.nextCommentMs = m_nowMs + commentMs;
    setsockopt(c.fd, SOL_SOCKET, SO_SNDBUF, &streamSendBuffer, sizeof streamSendBuffer);
    // Live events from now on; what came before is read after, so nothing falls between.
    m_subscribers.add(c.room, {c.fd, c.serial});
    if (m_counters)
        m_counters->streams().add(1);
    stream(c, EventStream::head(m_date.text()));
    if (c.lastEventId == 0)
        return;
    c.catchingUp = true;
    m_context.api.catchUp(c.room, c.lastEventId, [this, fd = c.fd, serial = c.serial](const auto &missed) {
        post([this, fd, serial, missed] {
            if (HttpConnection *c = find(fd, serial)) {
                caughtUp(*c, missed);
                settle(*c);
            }
        });
    });
}

void EventLoopWorker::caughtUp(HttpConnection &c, const std::optional<QList<StreamEvent>> &missed)
{
    // Unreadable: better closed, to come back with the same id, than a gap.
    c.broken = !missed;
    c.catchingUp = false;
    const QList<StreamEvent> held = std::exchange(c.held, {});
    c.heldBytes = 0;
    for (const QList<StreamEvent> &events : {missed.value_or(QList<StreamEvent>()), held}) {
        for (const StreamEvent &event : events)
            offer(c, event);
    }
}

void EventLoopWorker::fanOut(qsizetype room, const StreamEvent &event)
{
    // A copy: closing a subscriber takes it off the list.
    const std::vector<RoomSubscribers::Subscriber> subscribers = m_subscribers.of(room);
    for (const auto &[fd, serial] : subscribers) {
        if (HttpConnection *c = find(fd, serial)) {
            offer(*c, event);
            settle(*c);
        }
    }
}

void EventLoopWorker::offer(HttpConnection &c, const StreamEvent &event)
{
    if (c.broken)
        return;
    if (c.catchingUp) {
        c.held.append(event);
        c.heldBytes += event.bytes.size();
        c.broken = c.heldBytes > streamBacklogBytes;
        return;
    }
    if (!event.hide && event.id <= c.lastEventId)
        return; // sent already, by the catch-up
    if (!event.hide)
        c.lastEventId = event.id;
    stream(c, event.bytes);
}

void EventLoopWorker::stream(HttpConnection &c, const QByteArray &bytes)
{
    if (c.out.isEmpty())
        return write(c, bytes, 0);
    if (c.out.size() - c.sent > streamBacklogBytes) {
        c.broken = true; // it does not read: dropped rather than buffered without end
        return;
    }
    c.out = c.out.sliced(c.sent) + bytes;
    c.sent = 0;
}

void EventLoopWorker::keepStreaming(HttpConnection &c)
{
    // Not reading at all for the idle time is a dead reader; silence from the client is not.
    if (!c.out.isEmpty() && c.deadlineMs <= m_nowMs)
        c.broken = true;
    else if (c.nextCommentMs <= m_nowMs) {
        c.nextCommentMs = m_nowMs + commentMs;
        stream(c, EventStream::comment());
    }
}
