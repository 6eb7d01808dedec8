#pragma once

#include "MessageArchive.h"

#include <QObject>
#include <QThread>
#include <functional>
#include <memory>

// One room's puts, in the order given, on a thread and database session of their
// own: a room whose lock a frozen peer holds delays no other room's puts.
class PutLane
{
public:
    // With how long the store took.
    using Stored = std::function<void(MessageArchive::Outcome, const ChatMessage &message, qint64 nanoseconds)>;

    PutLane(std::unique_ptr<MessageArchive> archive, const QString &room);
    // Finishes the puts already asked for.
    ~PutLane();
    PutLane(const PutLane &) = delete;
    PutLane &operator=(const PutLane &) = delete;

    // `stored` runs on the lane's thread once the message is committed, refused or has failed.
    void store(const ChatMessage &message, Stored stored);

private:
    std::unique_ptr<MessageArchive> m_archive;
    QThread m_thread;
    QObject m_worker; // lives in m_thread
};
