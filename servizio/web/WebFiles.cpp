#include "WebFiles.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QHash>

struct WebFiles::File
{
    QByteArray body;
    QByteArray contentType;
    QByteArray etag;
};

namespace {
const QString prefix = QStringLiteral("/web/");

QByteArray contentTypeOf(const QString &name)
{
    if (name.endsWith(u".html"))
        return "text/html; charset=utf-8";
    if (name.endsWith(u".css"))
        return "text/css; charset=utf-8";
    if (name.endsWith(u".js"))
        return "text/javascript; charset=utf-8";
    if (name.endsWith(u".svg"))
        return "image/svg+xml";
    return "application/octet-stream";
}
} // namespace

const WebFiles::File *WebFiles::find(const QString &path)
{
    // Read once, on first use, from whichever thread asks first.
    static const QHash<QString, File> files = [] {
        QHash<QString, File> all;
        for (QDirIterator it(QStringLiteral(":/web"), QDir::Files); it.hasNext();) {
            QFile file(it.next());
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const QByteArray body = file.readAll();
            const QByteArray hash = QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex().left(20);
            all.insert(it.fileName(), File{body, contentTypeOf(it.fileName()), '"' + hash + '"'});
        }
        return all;
    }();
    const QString name = path == prefix ? QStringLiteral("index.html") : path.mid(prefix.size());
    const auto it = files.constFind(name);
    return it == files.cend() ? nullptr : &*it;
}

std::optional<ServiceReply> WebFiles::answer(const ServiceRequest &request)
{
    if (request.path == u"/web") {
        ServiceReply moved;
        moved.status = 308;
        moved.contentType = "text/plain; charset=utf-8";
        moved.headers.emplaceBack("Location", "/web/");
        return moved;
    }
    if (!request.path.startsWith(prefix))
        return std::nullopt;
    const File *file = find(request.path);
    if (!file)
        return std::nullopt;
    ServiceReply reply;
    if (matches(request.ifNoneMatch, file->etag)) {
        reply.status = 304;
    } else {
        reply.contentType = file->contentType;
        reply.body = file->body;
    }
    addHeaders(reply, *file);
    return reply;
}

// Weak comparison, as If-None-Match asks: W/"x" matches "x".
bool WebFiles::matches(const QByteArray &ifNoneMatch, const QByteArray &etag)
{
    for (const QByteArray &tag : ifNoneMatch.split(',')) {
        const QByteArrayView trimmed = QByteArrayView(tag).trimmed();
        if (trimmed == "*" || (trimmed.startsWith("W/") ? trimmed.sliced(2) : trimmed) == etag)
            return true;
    }
    return false;
}

void WebFiles::addHeaders(ServiceReply &reply, const File &file)
{
    reply.headers.emplaceBack("ETag", file.etag);
    reply.headers.emplaceBack("Cache-Control", "no-cache");
    reply.headers.emplaceBack("Content-Security-Policy",
                              "default-src 'self'; frame-ancestors 'none'; base-uri 'none'; form-action 'self'");
    reply.headers.emplaceBack("X-Content-Type-Options", "nosniff");
    reply.headers.emplaceBack("Referrer-Policy", "no-referrer");
}
