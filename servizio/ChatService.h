#pragma once

#include "ArchiveWriter.h"
#include "BanList.h"
#include "FloodGuard.h"
#include "Room.h"
#include "RoomDirectory.h"
#include "ServiceReply.h"
#include "ServiceRequest.h"

#include <QElapsedTimer>
#include <QHash>
#include <functional>

class RoomPages;
struct ServiceMetrics;

// The chat service behind the HTTP layer: the rooms, whose poll pages it keeps
// published in RoomPages, the puts that change them, and the maker's site.
// The archive keeps every message for `keepDays`; a poll page shows the newest `roomSize`.
class ChatService
{
public:
    struct Limits
    {
        int roomSize = 50;          // messages on a room's poll page
        int keepDays = 365;         // 0: messages are kept for ever
        int keepAddressDays = 7;    // then the sender's address is erased from the message
        int putLimit = 5;           // messages per sender ...
        int putWindowSeconds = 10;  // ... within this time; 0 messages: no limit
    };

    // Counts the puts' fates in `metrics`, which must outlive the service.
    ChatService(MessageArchive &archive, const Limits &limits, RoomPages &pages, ServiceMetrics &metrics);

    using ReplyHandler = std::function<void(const ServiceReply &)>;
    struct PostResult
    {
        int status = 0;  // 0: stored; else 400, 403, 429 or 503, with the Italian reason
        QString reason;
        qint64 id = 0;   // the stored message's
        bool uncertain = false; // 503 for a message that may have been stored all the same
    };
    using PostHandler = std::function<void(const PostResult &)>;

    using MessageHandler = std::function<void(const ChatMessage &)>;

    // Called on the service's thread once for every message newly stored in any room, by this
    // instance (once committed) or by another sharing the archive (once found), in id order within a room.
    void setMessageHandler(MessageHandler handler) { m_handler = std::move(handler); }

    // On the service's own thread: `reply` runs once, when the message is on
    // disk or refused, and on that thread.
    void put(const RoomDirectory::Entry &room, const ServiceRequest &request, const ReplyHandler &reply);
    // The same for a message from anywhere else: the same checks, the same store.
    void post(const RoomDirectory::Entry &room, const std::optional<QString> &nick, const std::optional<QString> &text,
              const QHostAddress &client, const PostHandler &done);
    // The operators' bans in force: puts from them are refused.
    void setBans(const QList<Ban> &bans) { m_bans.replace(bans); }
    // Messages the operators hid: their rooms' pages are read again without them.
    void hidden(const QList<ChatMessage> &messages);
    // From any thread: every page that is neither a room's poll nor its put.
    static ServiceReply page(const ServiceRequest &request);
    // `allow`: the methods the page answers.
    static ServiceReply methodNotAllowed(const QByteArray &allow);

private:
    static ServiceReply putStored(const RoomDirectory::Entry &room);
    static ServiceReply putRefused(int status, const QString &reason);
    static ServiceReply putUncertain(const QString &reason);
    static QString floodReason();
    static QString banReason(const Ban &ban);
    static ServiceReply notFound();
    Room &roomFor(const RoomDirectory::Entry &entry);
    void changed(const QString &key, const MessageArchive::Rows &page, const QList<ChatMessage> &arrived);
    static QString displayAddress(const QHostAddress &client);

    Limits m_limits;
    RoomPages &m_pages;
    ServiceMetrics &m_metrics;
    QHash<QString, Room> m_rooms; // by the room's key
    FloodGuard m_flood;
    BanList m_bans;
    QElapsedTimer m_clock;
    MessageHandler m_handler;
    ArchiveWriter m_writer; // last: its pending answers go before the rooms they touch
};
