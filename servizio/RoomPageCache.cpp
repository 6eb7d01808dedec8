#include "RoomPageCache.h"

RoomPageCache::RoomPageCache(const RoomPages &pages)
    : m_pages(pages)
    , m_copy(pages.snapshot(&m_version))
{
}

const QByteArray &RoomPageCache::page(qsizetype room, bool keepAlive)
{
    if (m_pages.version() != m_version)
        m_copy = m_pages.snapshot(&m_version);
    const RoomPages::Page &page = m_copy.at(room);
    return keepAlive ? page.keepAlive : page.close;
}
