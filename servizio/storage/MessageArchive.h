#pragma once

#include "ChatMessage.h"

#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

// Where the rooms' messages are kept: an SQLite file of this process alone, or a
// PostgreSQL database that several instances of the service share. After open()
// every call is made from one thread, the writer's.
class MessageArchive
{
public:
    enum class Outcome { Stored, Flooded, Failed };
    // Puts per sender that the archive refuses within a window, counted by
    // every instance that shares it; a limit of 0 counts nothing.
    struct FloodRule
    {
        int limit = 0;
        qint64 windowMs = 0;
    };

    virtual ~MessageArchive() = default;

    // Adds the message and forgets all but the room's newest `keep`, in one
    // transaction: Stored only once it is durably committed.
    virtual Outcome store(const QString &room, const ChatMessage &message, int keep) = 0;
    // The room's newest `count`, oldest first; nothing when the archive cannot be read.
    virtual std::optional<QList<ChatMessage>> newest(const QString &room, int count) = 0;
    // From now on calls `changed`, in the calling thread, whenever another
    // instance may have changed `room`; an empty name stands for every room.
    // An empty function stops the calls. Nothing to watch by default.
    virtual void watch(const std::function<void(const QString &room)> &changed);

    // A `database` starting with "postgresql://" or "postgres://" is a libpq
    // connection URI, anything else an SQLite file. On failure `error` says why, in Italian.
    static std::unique_ptr<MessageArchive> open(const QString &database, const FloodRule &flood, QString *error);
};
