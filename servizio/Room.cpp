#include "Room.h"

#include "TranscriptPage.h"

Room::Room(const QString &title, int capacity)
    : m_title(title)
    , m_capacity(capacity)
{
}

void Room::reset(const QList<ChatMessage> &messages)
{
    m_messages = messages;
    keepNewest();
    m_page.clear();
}

void Room::append(const QList<ChatMessage> &messages)
{
    m_messages.append(messages);
    keepNewest();
    m_page.clear();
}

QByteArray Room::page()
{
    if (m_page.isEmpty())
        m_page = TranscriptPage::render(m_title, m_messages);
    return m_page;
}

void Room::keepNewest()
{
    if (m_messages.size() > m_capacity)
        m_messages.remove(0, m_messages.size() - m_capacity);
}
