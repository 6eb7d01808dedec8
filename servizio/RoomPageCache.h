#pragma once

#include "HttpDate.h"
#include "RoomPages.h"

#include <vector>

// One event loop's copy of the room pages: the bytes are shared, not copied, and
// refreshed only when the service has published a change since the last look.
// A page gets the loop's date when it is first asked for in a new second: that
// one copy a second is all a poll costs beyond the lookup.
class RoomPageCache
{
public:
    RoomPageCache(const RoomPages &pages, const HttpDate &date);

    const QByteArray &page(qsizetype room, bool keepAlive);

private:
    const RoomPages &m_pages;
    const HttpDate &m_date;
    QList<RoomPages::Page> m_copy;
    std::vector<std::time_t> m_stamped; // the second each room's pages carry
    quint64 m_version = 0;
};
