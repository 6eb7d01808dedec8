#pragma once

#include <QByteArray>
#include <QString>

// One line of a log file as written to disk: optionally the local date and time
// as "yyyy-mmm-dd hh:mm:ss" and a blank, then the text, in the 8-bit code page,
// ended by carriage return and line feed.
class LogLine
{
public:
    static QByteArray encode(const QString &testo, bool data);
};
