#pragma once

#include "MessageArchive.h"

#include <QObject>
#include <QThread>
#include <functional>
#include <memory>

// Follows what the operators do from their shell, on a thread and a database
// connection of its own: the archive tells it of every change, and it hands the
// bans in force and the messages hidden since to the thread that made it.
class ModerationFollower : public QObject
{
    Q_OBJECT

public:
    using BansHandler = std::function<void(const QList<Ban> &bans)>;
    using HiddenHandler = std::function<void(const QList<ChatMessage> &hidden)>; // their id and room only

    // Reads the bans in force before it returns, so that none is missed from the first put on.
    ModerationFollower(std::unique_ptr<MessageArchive> archive, BansHandler bans, HiddenHandler hidden);
    ~ModerationFollower() override;

    static constexpr int batch = 1000; // audit lines read at a time

private:
    void check();

    std::unique_ptr<MessageArchive> m_archive;
    const BansHandler m_bans;
    const HiddenHandler m_hidden;
    QThread m_thread;
    QObject m_worker; // lives in m_thread
    qint64 m_lastId = -1; // the last audit line seen; -1 until one could be read
};
