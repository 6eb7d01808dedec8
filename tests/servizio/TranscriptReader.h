#pragma once

#include <QList>
#include <QString>

// Reads a poll page the way the chat client does: markers matched exactly,
// fields trimmed of blanks, then the client's six decoding steps.
class TranscriptReader
{
public:
    struct Record
    {
        QString nick;
        QString date;
        QString address;
        QString message;
    };

    // False when the page is not a valid reply: the data start or a field is
    // missing, or the record count is not a number.
    bool read(const QString &page);

    bool available = false; // the data start is there
    bool noData = false;
    int count = 0;
    QList<Record> records;

    // The client's field value: the text after `marker` up to the next field end,
    // trimmed of blanks and decoded; false when either marker is missing.
    static bool field(const QString &marker, const QString &text, QString *value);
    static QString decode(QString value);
};
