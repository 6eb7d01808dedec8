#pragma once

#include "ChatMessage.h"
#include "StreamEvent.h"

#include <QtGlobal>
#include <functional>
#include <mutex>
#include <vector>

// Where the service's new messages meet the event loops holding subscribers:
// each message is made into its event once, and that event handed to every loop.
class SubscriberRegistry
{
public:
    // Called on the publishing thread; the loop takes it over to its own.
    using Sink = std::function<void(qsizetype room, const StreamEvent &event)>;

    int addSink(Sink sink); // its handle for removeSink()
    void removeSink(int handle);

    void publish(const ChatMessage &message);
    // A message taken back by a moderator: every subscriber of its room is told.
    void hide(const QString &room, qint64 id);

private:
    void send(const QString &room, const StreamEvent &event);

    std::mutex m_mutex;
    std::vector<std::pair<int, Sink>> m_sinks;
    int m_nextHandle = 0;
};
