#include "HttpTestMessage.h"

namespace HttpTestMessage {
std::optional<QByteArray> takeHead(QByteArray &buffer)
{
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0)
        return std::nullopt;
    QByteArray head = buffer.left(end + 4);
    buffer.remove(0, end + 4);
    return head;
}

QUrl target(const QByteArray &head)
{
    const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
    return QUrl(QString::fromLatin1(requestLine.value(1)));
}

QByteArray header(const QByteArray &head, const QByteArray &name)
{
    const QList<QByteArray> lines = head.split('\n');
    for (const QByteArray &line : lines) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower())
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

QByteArray responseHead(int status, const QByteArray &reason, const QByteArray &contentType, qsizetype length,
                        const QList<QByteArray> &extraHeaders)
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
