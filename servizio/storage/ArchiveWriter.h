#pragma once

#include "MessageArchive.h"

#include <QObject>
#include <QSet>
#include <QStringList>
#include <QThread>
#include <functional>

// Stores messages on a thread of its own, one at a time in the order given, so
// that waiting for the disk never holds up the polls. The callbacks run on the
// thread that made the writer.
class ArchiveWriter : public QObject
{
    Q_OBJECT

public:
    // The room as it is once a message is in it; nothing when it could not be read.
    using Done = std::function<void(MessageArchive::Outcome, const std::optional<QList<ChatMessage>> &room)>;
    using Reread = std::function<void(const QString &room, const QList<ChatMessage> &messages)>;

    explicit ArchiveWriter(MessageArchive &archive, QObject *parent = nullptr);
    // Finishes the writes already asked for, then stops; their `done` is not called.
    ~ArchiveWriter() override;

    // `done` runs once the message is committed, refused or has failed.
    void store(const QString &room, const ChatMessage &message, int keep, Done done);
    // Re-reads the newest `keep` of a room whenever the archive says another
    // instance changed it, and hands them to `reread`.
    void follow(const QStringList &rooms, int keep, Reread reread);

private:
    void changed(const QString &room);
    void rereadPending();

    MessageArchive &m_archive;
    QThread m_thread;
    QObject m_worker; // lives in m_thread: the archive's calls run in its event queue
    // Known to the worker only.
    QStringList m_rooms;
    int m_keep = 0;
    Reread m_reread;
    QSet<QString> m_pending; // rooms waiting to be re-read: a burst of notices costs one read each
};
