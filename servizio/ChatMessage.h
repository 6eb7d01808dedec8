#pragma once

#include <QDateTime>
#include <QString>

// One message of a room, as stored and as shown: the texts are plain, not mark-up.
struct ChatMessage
{
    qint64 id = 0;   // the archive's: unique across instances, larger for later commits within a room
    QString room;    // the room's key in the archive
    QString nick;
    QString date;    // as the poll page shows it, in local time
    QDateTime time;  // the same instant in UTC, to the second
    QString address; // the sender's, for moderation
    QString text;

    // A message written now: `date` and `time` name the same second.
    static ChatMessage writtenNow(const QString &room, const QString &nick, const QString &address,
                                  const QString &text);
    static QDateTime currentSecond(); // in UTC
    // The poll page's date of an instant, in local time.
    static QString dateOf(const QDateTime &time);
};
