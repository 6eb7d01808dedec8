#pragma once

#include "ApiRequest.h"
#include "ApiRouter.h"
#include "ChatService.h"
#include "PageQuery.h"
#include "PostBody.h"
#include "ServiceReply.h"
#include "StreamEvent.h"

#include <functional>
#include <variant>

class ArchiveReader;

// The JSON API: answers what it can at once, reads through the archive reader,
// hands posts to the service, and tells the event loop whom to subscribe.
class ApiService
{
public:
    using Reply = std::function<void(const ServiceReply &)>; // from any thread, once
    // Queues a post to the service's thread; `done` runs there.
    using Poster = std::function<void(const RoomDirectory::Entry &room, const PostBody &body,
                                      const QHostAddress &client, const ChatService::PostHandler &done)>;
    struct Subscription
    {
        qsizetype room;      // its place in the room directory
        qint64 lastEventId;  // 0: live events only
    };
    // An answer now, a subscription, or nothing: `reply` comes later.
    using Answer = std::variant<std::monostate, ServiceReply, Subscription>;
    using CatchUp = std::function<void(const std::optional<QList<StreamEvent>> &)>;

    static constexpr int maxCatchUp = 200;

    ApiService(ArchiveReader &reader, Poster poster);

    // On the connection's event loop.
    Answer handle(const ApiRequest &request, const Reply &reply) const;
    // A reconnecting subscriber's missed events, oldest first; `done` runs on the reader's thread.
    void catchUp(qsizetype room, qint64 afterId, const CatchUp &done) const;

private:
    Answer history(const RoomDirectory::Entry &room, const ApiRequest &request, const Reply &reply) const;
    Answer post(const RoomDirectory::Entry &room, const ApiRequest &request, const Reply &reply) const;
    static Answer events(const RoomDirectory::Entry &room, const ApiRequest &request);
    Answer search(const ApiRequest &request, const Reply &reply) const;
    static ServiceReply refused(const ApiRouter::Route &route);
    static ServiceReply posted(const ChatService::PostResult &result);

    ArchiveReader &m_reader;
    const Poster m_poster;
};
