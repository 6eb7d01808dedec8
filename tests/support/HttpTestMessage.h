#pragma once

#include <QByteArray>
#include <QList>
#include <QUrl>
#include <optional>

// The bits of HTTP/1.1 that the tests' server and proxy read and write.
namespace HttpTestMessage {
// Removes one complete request head (up to the blank line) from the buffer.
inline std::optional<QByteArray> takeHead(QByteArray &buffer)
{
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0)
        return std::nullopt;
    const QByteArray head = buffer.left(end + 4);
    buffer.remove(0, end + 4);
    return head;
}

// The request line's target: a path, or an absolute address for a proxy.
inline QUrl target(const QByteArray &head)
{
    return QUrl(QString::fromLatin1(head.left(head.indexOf("\r\n")).split(' ').value(1)));
}

inline QByteArray header(const QByteArray &head, const QByteArray &name)
{
    for (const QByteArray &line : head.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

inline QByteArray responseHead(int status, const QByteArray &reason, const QByteArray &contentType, qsizetype length,
                               const QList<QByteArray> &extraHeaders = {})
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\n";
    if (!contentType.isEmpty())
        head += "Content-Type: " + contentType + "\r\n";
    head += "Content-Length: " + QByteArray::number(length) + "\r\n";
    for (const QByteArray &line : extraHeaders)
        head += line + "\r\n";
    return head + "\r\n";
}
} // namespace HttpTestMessage
