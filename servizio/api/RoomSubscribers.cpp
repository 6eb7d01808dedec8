#include "RoomSubscribers.h"

#include <algorithm>

void RoomSubscribers::remove(qsizetype room, Subscriber subscriber)
{
    std::vector<Subscriber> &list = m_rooms[size_t(room)];
    const auto found = std::find(list.begin(), list.end(), subscriber);
    if (found == list.end())
        return;
    *found = list.back();
    list.pop_back();
}
