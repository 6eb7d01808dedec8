#include "RoomPageCache.h"

RoomPageCache::RoomPageCache(const RoomPages &pages, const HttpDate &date)
    : m_pages(pages)
    , m_date(date)
    , m_copy(pages.snapshot(&m_version))
    , m_stamped(size_t(m_copy.size()), -1)
{
}

const QByteArray &RoomPageCache::page(qsizetype room, bool keepAlive)
{
    if (m_pages.version() != m_version) {
        m_copy = m_pages.snapshot(&m_version);
        std::fill(m_stamped.begin(), m_stamped.end(), -1);
    }
    if (m_stamped[size_t(room)] != m_date.second()) {
        RoomPages::Page &page = m_copy[room];
        HttpDate::stamp(page.keepAlive, m_date.text());
        HttpDate::stamp(page.close, m_date.text());
        m_stamped[size_t(room)] = m_date.second();
    }
    const RoomPages::Page &page = m_copy.at(room);
    return keepAlive ? page.keepAlive : page.close;
}
