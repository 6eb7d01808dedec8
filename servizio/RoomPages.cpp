#include "RoomPages.h"

#include "HttpDate.h"
#include "HttpResponse.h"
#include "ServiceReply.h"

RoomPages::RoomPages(qsizetype rooms)
    : m_pages(rooms)
{
}

void RoomPages::publish(qsizetype room, const QByteArray &body)
{
    ServiceReply reply;
    reply.contentType = "text/html; charset=windows-1252";
    reply.body = body;
    reply.headers.emplaceBack("Cache-Control", "no-store");
    // Each event loop stamps its copy with its own date (RoomPageCache).
    const QByteArray date = HttpDate::format(std::time(nullptr));
    Page page{HttpResponse::bytes(reply, true, date), HttpResponse::bytes(reply, false, date)};
    const std::lock_guard lock(m_mutex);
    m_pages[room] = std::move(page);
    m_version.fetch_add(1, std::memory_order_release);
}

QList<RoomPages::Page> RoomPages::snapshot(quint64 *version) const
{
    const std::lock_guard lock(m_mutex);
    *version = m_version.load(std::memory_order_relaxed);
    return m_pages;
}
