#include "ApiService.h"

#include "ArchiveReader.h"
#include "EventStream.h"
#include "JsonAnswer.h"

ApiService::ApiService(ArchiveReader &reader, Poster poster)
    : m_reader(reader)
    , m_poster(std::move(poster))
{
}

ApiService::Answer ApiService::handle(const ApiRequest &request, const Reply &reply) const
{
    using Endpoint = ApiRouter::Endpoint;
    const ApiRouter::Route route = ApiRouter::route(request.method, request.path);
    switch (route.endpoint) {
    case Endpoint::Rooms: return JsonAnswer::rooms();
    case Endpoint::History: return history(*route.room, request, reply);
    case Endpoint::Post: return post(*route.room, request, reply);
    case Endpoint::Events: return events(*route.room, request);
    case Endpoint::Search: return search(request, reply);
    case Endpoint::None: break;
    }
    return refused(route);
}

void ApiService::catchUp(qsizetype room, qint64 afterId, const CatchUp &done) const
{
    m_reader.after(RoomDirectory::rooms().at(room).key, afterId, maxCatchUp, [done](const ArchiveReader::Rows &rows) {
        if (!rows)
            return done(std::nullopt);
        QList<StreamEvent> events;
        for (const ChatMessage &message : *rows)
            events.append(EventStream::message(message));
        done(events);
    });
}

ApiService::Answer ApiService::history(const RoomDirectory::Entry &room, const ApiRequest &request,
                                       const Reply &reply) const
{
    QString reason;
    const auto query = PageQuery::parse(request.encodedQuery, &reason);
    if (!query)
        return JsonAnswer::error(400, reason);
    m_reader.before(room.key, query->before, query->limit,
                    [reply](const ArchiveReader::Rows &rows) { reply(JsonAnswer::messages(rows)); });
    return {};
}

ApiService::Answer ApiService::post(const RoomDirectory::Entry &room, const ApiRequest &request,
                                    const Reply &reply) const
{
    // Only a type no HTML form can send: a page of another site cannot post in the user's name.
    if (!PostBody::isJson(request.contentType))
        return JsonAnswer::error(415, QStringLiteral("Il corpo deve essere JSON (Content-Type: application/json)."));
    const auto body = PostBody::parse(request.body);
    if (!body)
        return JsonAnswer::error(400, QStringLiteral("Il corpo deve essere un oggetto JSON con i soli campi "
                                                     "\"nick\" e \"text\", entrambi testo."));
    m_poster(room, *body, request.client, [reply](const ChatService::PostResult &result) { reply(posted(result)); });
    return {};
}

ApiService::Answer ApiService::events(const RoomDirectory::Entry &room, const ApiRequest &request)
{
    const auto lastEventId = request.lastEventId.isEmpty()
        ? std::optional<qint64>(0)
        : PageQuery::number(QString::fromLatin1(request.lastEventId));
    if (!lastEventId || *lastEventId < 0)
        return JsonAnswer::error(400, QStringLiteral("Last-Event-ID deve essere il numero di un messaggio."));
    return Subscription{RoomDirectory::index(room), *lastEventId};
}

ApiService::Answer ApiService::search(const ApiRequest &request, const Reply &reply) const
{
    QString reason;
    const auto query = PageQuery::parse(request.encodedQuery, &reason);
    if (!query)
        return JsonAnswer::error(400, reason);
    if (query->words.isEmpty())
        return JsonAnswer::error(400, QStringLiteral("Scrivi almeno una parola da cercare nel parametro q."));
    if (!query->room.isEmpty() && !RoomDirectory::byKey(query->room))
        return JsonAnswer::error(404, QStringLiteral("La stanza «%1» non esiste.").arg(query->room));
    m_reader.search(query->words, query->room, query->before, query->limit,
                    [reply](const ArchiveReader::Rows &rows) { reply(JsonAnswer::messages(rows)); });
    return {};
}

ServiceReply ApiService::refused(const ApiRouter::Route &route)
{
    if (route.status == 405) {
        ServiceReply reply = JsonAnswer::error(405, QStringLiteral("Metodo non ammesso per questo indirizzo."));
        reply.headers.emplaceBack("Allow", route.allow);
        return reply;
    }
    return JsonAnswer::error(404, QStringLiteral("Indirizzo o stanza inesistente."));
}

ServiceReply ApiService::posted(const ChatService::PostResult &result)
{
    if (result.status != 0) {
        ServiceReply reply = JsonAnswer::error(result.status, result.reason);
        if (result.status == 429)
            reply.headers.emplaceBack("Retry-After", "10");
        return reply;
    }
    return JsonAnswer::reply(201, {{QStringLiteral("id"), result.id}});
}
