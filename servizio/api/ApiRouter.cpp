#include "ApiRouter.h"

namespace {
constexpr QByteArrayView base = "/api/v1/";
}

ApiRouter::Route ApiRouter::route(QByteArrayView method, QByteArrayView path)
{
    if (!path.startsWith(base))
        return {Endpoint::None, nullptr, 404, {}};
    const QByteArrayView rest = path.sliced(base.size());
    if (rest == "rooms")
        return only(method, "GET, HEAD", Endpoint::Rooms);
    if (rest == "search")
        return only(method, "GET, HEAD", Endpoint::Search);
    if (rest.startsWith("rooms/"))
        return roomRoute(method, rest.sliced(6));
    return {Endpoint::None, nullptr, 404, {}};
}

ApiRouter::Route ApiRouter::roomRoute(QByteArrayView method, QByteArrayView rest)
{
    const qsizetype slash = rest.indexOf('/');
    const QByteArrayView what = slash < 0 ? QByteArrayView() : rest.sliced(slash + 1);
    Route route{Endpoint::None, nullptr, 404, {}};
    if (what == "messages")
        route = method == "POST" ? Route{Endpoint::Post, nullptr, 0, {}} : only(method, "GET, HEAD, POST", Endpoint::History);
    else if (what == "events")
        route = only(method, "GET", Endpoint::Events);
    else
        return route;
    route.room = RoomDirectory::byKey(QString::fromLatin1(rest.first(slash)));
    return route.room ? route : Route{Endpoint::None, nullptr, 404, {}};
}

ApiRouter::Route ApiRouter::only(QByteArrayView method, QByteArrayView allowed, Endpoint endpoint)
{
    // A HEAD is answered as the GET, its body left out; a stream has no answer to take it from.
    if (method == "GET" || (method == "HEAD" && endpoint != Endpoint::Events))
        return {endpoint, nullptr, 0, {}};
    return {Endpoint::None, nullptr, 405, allowed.toByteArray()};
}
