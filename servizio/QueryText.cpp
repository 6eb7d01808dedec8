#include "QueryText.h"

#include "CharacterReferences.h"
#include "Windows1252.h"

#include <QList>
#include <QStringDecoder>

namespace {
QByteArray unescape(QByteArrayView encoded)
{
    // A "+" stands for a blank in a query, as forms send it; the client escapes its "+".
    QByteArray bytes = encoded.toByteArray();
    bytes.replace('+', ' ');
    return QByteArray::fromPercentEncoding(bytes);
}

bool hasNonAscii(const QByteArray &bytes)
{
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    }
    return false;
}

// The text when the bytes are valid UTF-8 with at least one non-ASCII byte.
std::optional<QString> utf8(const QByteArray &bytes)
{
    if (!hasNonAscii(bytes))
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    return decoder.hasError() ? std::nullopt : std::optional<QString>(text);
}
} // namespace

std::optional<QByteArray> QueryText::valueBytes(const QString &encodedQuery, const QString &key)
{
    const QByteArray query = encodedQuery.toLatin1(); // a fully encoded query is plain ASCII
    for (const QByteArrayView pair : query.split('&')) {
        const qsizetype equals = pair.indexOf('=');
        const QByteArrayView name = equals < 0 ? pair : pair.first(equals);
        if (decode(unescape(name)).compare(key, Qt::CaseInsensitive) != 0)
            continue;
        return equals < 0 ? QByteArray() : unescape(pair.sliced(equals + 1));
    }
    return std::nullopt;
}

std::optional<QString> QueryText::value(const QString &encodedQuery, const QString &key)
{
    const std::optional<QByteArray> bytes = valueBytes(encodedQuery, key);
    return bytes ? std::optional<QString>(decode(*bytes)) : std::nullopt;
}

std::optional<QString> QueryText::formValue(const QString &encodedQuery, const QString &key)
{
    const std::optional<QByteArray> bytes = valueBytes(encodedQuery, key);
    if (!bytes)
        return std::nullopt;
    if (auto text = utf8(*bytes))
        return text;
    return CharacterReferences::decode(Windows1252::decode(*bytes));
}

QString QueryText::decode(const QByteArray &bytes)
{
    return utf8(bytes).value_or(Windows1252::decode(bytes));
}

bool QueryText::isAllowed(char32_t codePoint, bool lineBreaksAllowed)
{
    if (codePoint == u'\t' || codePoint == u'\r' || codePoint == u'\n')
        return lineBreaksAllowed;
    if (codePoint < 0x20 || (codePoint >= 0x7F && codePoint < 0xA0))
        return false;
    if (codePoint >= 0xFDD0 && codePoint <= 0xFDEF)
        return false;
    if ((codePoint & 0xFFFE) == 0xFFFE)
        return false;
    return !(codePoint >= 0xD800 && codePoint <= 0xDFFF) && codePoint <= 0x10FFFF;
}
