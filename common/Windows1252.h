#pragma once

#include <QByteArray>
#include <QString>

// The single-byte code page of the chat's wire format and of the log files.
class Windows1252
{
public:
    // A character the code page cannot hold becomes "?", as the platform's conversion does.
    static QByteArray encode(const QString &text);
    static char encodeChar(QChar c);
    static QString decode(const QByteArray &bytes);
    static bool canEncode(QChar c);
};
