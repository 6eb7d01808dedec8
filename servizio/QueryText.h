#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Values of a query string. The client sends every character as "%" and two hex
// digits of its code in Windows-1252; browsers and scripts send UTF-8.
class QueryText
{
public:
    // The first value of `key` (letter case ignored, as the old pages did), or
    // nothing when the query lacks the key.
    static std::optional<QString> value(const QString &encodedQuery, const QString &key);
    // The same for a field of the chat's form: read as Windows-1252, its numeric
    // references to characters outside that code page become those characters.
    static std::optional<QString> formValue(const QString &encodedQuery, const QString &key);

    // UTF-8 when the bytes are valid UTF-8 with at least one non-ASCII byte,
    // else Windows-1252.
    static QString decode(const QByteArray &bytes);

    // NUL and the other control characters except tab and line breaks, and the
    // code points Unicode reserves as non-characters.
    static bool isAllowed(char32_t codePoint, bool lineBreaksAllowed);

private:
    static std::optional<QByteArray> valueBytes(const QString &encodedQuery, const QString &key);
};
