#pragma once

#include "ArchiveWriter.h"
#include "FloodGuard.h"
#include "Room.h"
#include "RoomDirectory.h"
#include "ServiceReply.h"
#include "ServiceRequest.h"

#include <QElapsedTimer>
#include <QHash>
#include <functional>

class MessageArchive;

// The chat service behind the HTTP layer: every page of the rooms and of the
// maker's site, from one request to one reply.
class ChatService
{
public:
    struct Limits
    {
        int roomSize = 50;
        int putLimit = 5;           // messages per sender ...
        int putWindowSeconds = 10;  // ... within this time; 0 messages: no limit
    };

    ChatService(MessageArchive &archive, const Limits &limits);

    using ReplyHandler = std::function<void(const ServiceReply &)>;

    // `reply` runs once, at once for every page but a put, which is answered
    // only when its message is on disk.
    void answer(const ServiceRequest &request, const ReplyHandler &reply);
    // The answer to a request whose request line exceeds the limit.
    static ServiceReply requestLineTooLong();

    static constexpr qsizetype maxRequestLine = 8 * 1024;

private:
    ServiceReply pollPage(const RoomDirectory::Entry &room);
    void put(const RoomDirectory::Entry &room, const ServiceRequest &request, const ReplyHandler &reply);
    static ServiceReply putStored(const RoomDirectory::Entry &room);
    static ServiceReply putRefused(int status, const QString &reason);
    static ServiceReply notFound();
    static ServiceReply methodNotAllowed();
    Room &roomFor(const RoomDirectory::Entry &entry);
    static QString displayAddress(const QHostAddress &peer);

    Limits m_limits;
    QHash<QString, Room> m_rooms; // by the room's key
    FloodGuard m_flood;
    QElapsedTimer m_clock;
    ArchiveWriter m_writer; // last: its pending answers go before the rooms they touch
};
