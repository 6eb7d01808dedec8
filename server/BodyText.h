#pragma once

#include <QByteArray>
#include <QString>

// Turns the bytes of a reply's body into text: by the charset that the
// Content-Type names, else UTF-8 when the bytes are valid UTF-8, else Windows-1252.
// A NUL becomes U+FFFD.
class BodyText
{
public:
    static QString decode(const QByteArray &body, const QByteArray &contentType);
    // The charset parameter of a Content-Type value, lower case; empty when none.
    static QByteArray charset(const QByteArray &contentType);

private:
    static QString decodeBytes(const QByteArray &body, const QByteArray &contentType);
};
