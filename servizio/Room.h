#pragma once

#include "ChatMessage.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The newest messages of one room, held in memory, and its poll page, rendered
// once and served as it is until the room changes.
class Room
{
public:
    Room(const QString &title, int capacity);

    void reset(const QList<ChatMessage> &messages);
    void append(const QList<ChatMessage> &messages);
    const QList<ChatMessage> &messages() const { return m_messages; }
    QByteArray page();

private:
    void keepNewest();

    QString m_title;
    int m_capacity;
    QList<ChatMessage> m_messages;
    QByteArray m_page; // empty until rendered
};
