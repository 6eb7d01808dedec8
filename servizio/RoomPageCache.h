#pragma once

#include "RoomPages.h"

// One event loop's copy of the room pages: the bytes are shared, not copied, and
// refreshed only when the service has published a change since the last look.
class RoomPageCache
{
public:
    explicit RoomPageCache(const RoomPages &pages);

    const QByteArray &page(qsizetype room, bool keepAlive);

private:
    const RoomPages &m_pages;
    QList<RoomPages::Page> m_copy;
    quint64 m_version = 0;
};
