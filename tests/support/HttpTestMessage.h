#pragma once

#include <QByteArray>
#include <QList>
#include <QUrl>
#include <optional>

// The bits of HTTP/1.1 that the tests' server and proxy read and write.
namespace HttpTestMessage {
// Removes one complete request head (up to the blank line) from the buffer.
std::optional<QByteArray> takeHead(QByteArray &buffer);
// The request line's target: a path, or an absolute address for a proxy.
QUrl target(const QByteArray &head);
QByteArray header(const QByteArray &head, const QByteArray &name);
QByteArray responseHead(int status, const QByteArray &reason, const QByteArray &contentType, qsizetype length,
                        const QList<QByteArray> &extraHeaders = {});
} // namespace HttpTestMessage
