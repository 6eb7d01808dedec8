#include "ChatService.h"

#include "HtmlPage.h"
#include "MakerSite.h"
#include "MessageArchive.h"
#include "MessageRules.h"
#include "QueryText.h"
#include "RoomPages.h"
#include "ServiceMetrics.h"
#include "WebFiles.h"


ChatService::ChatService(MessageArchive &archive, const Limits &limits, RoomPages &pages, ServiceMetrics &metrics)
    : m_limits(limits)
    , m_pages(pages)
    , m_metrics(metrics)
    // This instance's own count; an archive shared with others counts again across them all.
    , m_flood(limits.putLimit, qint64(limits.putWindowSeconds) * 1000)
    , m_writer(archive, metrics)
{
    QHash<QString, qint64> lastIds;
    for (const RoomDirectory::Entry &entry : RoomDirectory::rooms()) {
        Room room(entry.title, limits.roomSize);
        const MessageArchive::Rows page = archive.newest(entry.key, limits.roomSize);
        room.reset(page.value_or(QList<ChatMessage>()));
        m_rooms.insert(entry.key, room);
        m_pages.publish(RoomDirectory::index(entry), room.page());
        // Messages are handed out from here on; from where the room could first be read when it cannot be now.
        lastIds.insert(entry.key, !page ? -1 : page->isEmpty() ? 0 : page->last().id);
    }
    m_writer.follow(lastIds, limits.roomSize,
                    [this](const QString &key, const MessageArchive::Rows &page, const QList<ChatMessage> &arrived) {
                        changed(key, page, arrived);
                    });
    m_writer.purgeOlderThan(limits.keepDays, limits.keepAddressDays);
    m_writer.startChecks();
    m_clock.start();
}

ServiceReply ChatService::page(const ServiceRequest &request)
{
    if (!request.isGet)
        return methodNotAllowed("GET, HEAD");
    if (auto page = MakerSite::answer(request.path, request.encodedQuery))
        return *page;
    if (auto file = WebFiles::answer(request))
        return *file;
    return notFound();
}

void ChatService::put(const RoomDirectory::Entry &room, const ServiceRequest &request, const ReplyHandler &reply)
{
    post(room, QueryText::formValue(request.encodedQuery, QStringLiteral("NOME")),
         QueryText::formValue(request.encodedQuery, QStringLiteral("messaggio")), request.client,
         [&room, reply](const PostResult &result) {
             reply(result.status == 0 ? putStored(room)
                   : result.uncertain  ? putUncertain(result.reason)
                                       : putRefused(result.status, result.reason));
         });
}

void ChatService::post(const RoomDirectory::Entry &room, const std::optional<QString> &nick,
                       const std::optional<QString> &text, const QHostAddress &client, const PostHandler &done)
{
    PutCounters &counted = m_metrics.puts;
    if (const auto reason = MessageRules::refusal(nick, text)) {
        counted.refused(PutCounters::Refusal::Rules);
        return done({400, *reason});
    }
    if (const auto ban = m_bans.refusing(*nick, client, QDateTime::currentDateTimeUtc())) {
        counted.refused(PutCounters::Refusal::Ban);
        return done({403, banReason(*ban)});
    }

    const QString address = displayAddress(client);
    const qint64 now = m_clock.elapsed();
    if (!m_flood.allows(address, now)) {
        counted.refused(PutCounters::Refusal::Flood);
        return done({429, floodReason()});
    }
    // Counted now, not once stored: puts waiting for the disk must not slip past the limit.
    m_flood.record(address, now);

    const auto stored = [this, done](MessageArchive::Outcome outcome, const ChatMessage &message) {
        PutCounters &counted = m_metrics.puts;
        // Counted by the instances sharing the archive.
        if (outcome == MessageArchive::Outcome::Flooded) {
            counted.refused(PutCounters::Refusal::Flood);
            return done({429, floodReason()});
        }
        // Neither acknowledged nor refused: sent again blindly, it could be there twice.
        if (outcome == MessageArchive::Outcome::Unknown) {
            counted.refused(PutCounters::Refusal::Database);
            return done({503, QStringLiteral("L'archivio non ha risposto in tempo: il messaggio potrebbe essere stato "
                                             "registrato. Controlla la stanza prima di inviarlo di nuovo."),
                         0, true});
        }
        if (outcome != MessageArchive::Outcome::Stored) {
            counted.refused(PutCounters::Refusal::Database);
            return done({503, QStringLiteral("Il messaggio non è stato registrato per un errore "
                                             "dell'archivio. Riprova più tardi.")});
        }
        counted.stored();
        // The room's page was published before this answer, so the sender's next poll shows the message.
        done({0, {}, message.id});
    };
    m_writer.store(ChatMessage::writtenNow(room.key, *nick, address, *text), stored);
}

void ChatService::changed(const QString &key, const MessageArchive::Rows &page, const QList<ChatMessage> &arrived)
{
    const RoomDirectory::Entry &entry = *RoomDirectory::byKey(key);
    Room &room = roomFor(entry);
    // The room as the archive has it, in its order, with what other instances added.
    page ? room.reset(*page) : room.append(arrived);
    m_pages.publish(RoomDirectory::index(entry), room.page());
    for (const ChatMessage &message : arrived) {
        if (m_handler)
            m_handler(message);
    }
}

void ChatService::hidden(const QList<ChatMessage> &messages)
{
    QSet<QString> rooms;
    for (const ChatMessage &message : messages)
        rooms.insert(message.room);
    for (const QString &room : std::as_const(rooms))
        m_writer.reread(room);
}

ServiceReply ChatService::putStored(const RoomDirectory::Entry &room)
{
    return HtmlPage(QStringLiteral("MESSAGGIO INVIATO"))
        .heading(QStringLiteral("Messaggio inviato"))
        .paragraph(QStringLiteral("Il messaggio è stato registrato nella stanza «%1».").arg(room.title))
        .reply(200, ServiceReply::Charset::Windows1252);
}

ServiceReply ChatService::putRefused(int status, const QString &reason)
{
    ServiceReply reply = HtmlPage(QStringLiteral("MESSAGGIO NON ACCETTATO"))
                             .heading(QStringLiteral("Messaggio non accettato"))
                             .paragraph(reason)
                             .paragraph(QStringLiteral("Il messaggio non è stato registrato."))
                             .reply(status, ServiceReply::Charset::Windows1252);
    if (status == 429)
        reply.headers.emplaceBack("Retry-After", "10");
    return reply;
}

ServiceReply ChatService::putUncertain(const QString &reason)
{
    return HtmlPage(QStringLiteral("MESSAGGIO IN SOSPESO"))
        .heading(QStringLiteral("Messaggio in sospeso"))
        .paragraph(reason)
        .reply(503, ServiceReply::Charset::Windows1252);
}

QString ChatService::floodReason()
{
    return QStringLiteral("Troppi messaggi in poco tempo: aspetta qualche secondo e riprova.");
}

QString ChatService::banReason(const Ban &ban)
{
    if (!ban.until.isValid())
        return QStringLiteral("Non puoi scrivere in questa chat.");
    return QStringLiteral("Non puoi scrivere in questa chat fino al %1.").arg(ChatMessage::dateOf(ban.until));
}

ServiceReply ChatService::notFound()
{
    return HtmlPage(QStringLiteral("PAGINA NON TROVATA"))
        .heading(QStringLiteral("Pagina non trovata"))
        .paragraph(QStringLiteral("La pagina richiesta non esiste su questo servizio."))
        .markup(QStringLiteral("<p><a href=\"/\">Torna alla pagina iniziale</a></p>\n"))
        .reply(404, ServiceReply::Charset::Utf8);
}

ServiceReply ChatService::methodNotAllowed(const QByteArray &allow)
{
    ServiceReply reply = HtmlPage(QStringLiteral("RICHIESTA NON AMMESSA"))
                             .heading(QStringLiteral("Richiesta non ammessa"))
                             .paragraph(QStringLiteral("Questa pagina risponde solo a richieste %1.")
                                            .arg(QString::fromLatin1(allow).replace(QStringLiteral(", "), QStringLiteral(" e "))))
                             .reply(405, ServiceReply::Charset::Utf8);
    reply.headers.emplaceBack("Allow", allow);
    return reply;
}

QString ChatService::displayAddress(const QHostAddress &client)
{
    bool isV4 = false;
    const quint32 v4 = client.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4).toString() : client.toString();
}

Room &ChatService::roomFor(const RoomDirectory::Entry &entry)
{
    return *m_rooms.find(entry.key); // every room of the directory was made at start
}
