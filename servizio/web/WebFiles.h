#pragma once

#include "ServiceReply.h"
#include "ServiceRequest.h"

#include <optional>

// The browser page under /web/, from the files built into the program: each with
// its content type, the page's security headers and an ETag to revalidate with.
class WebFiles
{
public:
    // Nothing when the path is not under /web.
    static std::optional<ServiceReply> answer(const ServiceRequest &request);

private:
    struct File;
    static const File *find(const QString &path);
    static bool matches(const QByteArray &ifNoneMatch, const QByteArray &etag);
    static void addHeaders(ServiceReply &reply, const File &file);
};
