#pragma once

#include <QList>
#include <QString>

// A poll page read record by record, the way the chat client reads it.
struct PollPage
{
    struct Record
    {
        QString nick, date, address, message;
    };
    bool noData = false;
    qint32 count = 0;
    QList<Record> records;

    static PollPage read(const QString &page);
    // The room's page as the service on `port` answers it now.
    static PollPage fetch(quint16 port, const QString &page);
    QStringList messages() const;
};
