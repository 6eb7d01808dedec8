#include "ChatMessage.h"

ChatMessage ChatMessage::writtenNow(const QString &room, const QString &nick, const QString &address,
                                    const QString &text)
{
    const QDateTime now = currentSecond();
    return {0, room, nick, dateOf(now), now, address, text};
}

QString ChatMessage::dateOf(const QDateTime &time)
{
    return time.toLocalTime().toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
}

QDateTime ChatMessage::currentSecond()
{
    return QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch(), Qt::UTC);
}
