#pragma once

#include "ChatMessage.h"

#include <QObject>
#include <QThread>
#include <functional>

class MessageArchive;

// Stores messages on a thread of its own, one at a time in the order given, so
// that waiting for the disk never holds up the polls. `done` runs on the thread
// that called store(), once the message is on disk (true) or has failed (false).
class ArchiveWriter : public QObject
{
    Q_OBJECT

public:
    explicit ArchiveWriter(MessageArchive &archive, QObject *parent = nullptr);
    // Finishes the writes already asked for, then stops; their `done` is not called.
    ~ArchiveWriter() override;

    void store(const QString &room, const ChatMessage &message, int keep, std::function<void(bool)> done);

private:
    MessageArchive &m_archive;
    QThread m_thread;
    QObject m_worker; // lives in m_thread: the writes run in its event queue
};
