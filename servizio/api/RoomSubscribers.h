#pragma once

#include <QtGlobal>
#include <utility>
#include <vector>

// One event loop's subscribers, by room: their connections' descriptors and serials.
class RoomSubscribers
{
public:
    using Subscriber = std::pair<int, quint64>;

    explicit RoomSubscribers(qsizetype rooms) : m_rooms(size_t(rooms)) {}

    void add(qsizetype room, Subscriber subscriber) { m_rooms[size_t(room)].push_back(subscriber); }
    void remove(qsizetype room, Subscriber subscriber);
    const std::vector<Subscriber> &of(qsizetype room) const { return m_rooms[size_t(room)]; }

private:
    std::vector<std::vector<Subscriber>> m_rooms; // in no particular order
};
