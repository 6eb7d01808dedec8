#include "SubscriberRegistry.h"

#include "EventStream.h"
#include "RoomDirectory.h"

int SubscriberRegistry::addSink(Sink sink)
{
    const std::lock_guard lock(m_mutex);
    m_sinks.emplace_back(++m_nextHandle, std::move(sink));
    return m_nextHandle;
}

void SubscriberRegistry::removeSink(int handle)
{
    const std::lock_guard lock(m_mutex);
    std::erase_if(m_sinks, [handle](const auto &sink) { return sink.first == handle; });
}

void SubscriberRegistry::publish(const ChatMessage &message)
{
    send(message.room, EventStream::message(message));
}

void SubscriberRegistry::hide(const QString &room, qint64 id)
{
    send(room, EventStream::hide(id));
}

void SubscriberRegistry::send(const QString &room, const StreamEvent &event)
{
    const RoomDirectory::Entry *entry = RoomDirectory::byKey(room);
    if (!entry)
        return;
    const qsizetype index = RoomDirectory::index(*entry);
    const std::lock_guard lock(m_mutex);
    for (const auto &[handle, sink] : m_sinks)
        sink(index, event);
}
