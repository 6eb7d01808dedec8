#pragma once

#include "ServiceReply.h"

#include <QString>
#include <optional>

// The maker's web pages the client opens in the browser: the home page, how to
// run one's own chat, the regional room's page and the update check.
class MakerSite
{
public:
    // Nothing when the path is none of the site's pages.
    static std::optional<ServiceReply> answer(const QString &path, const QString &encodedQuery);

private:
    static ServiceReply home();
    static ServiceReply ownChat();
    static ServiceReply regionalRoom();
    static ServiceReply updateCheck(const QString &encodedQuery);
};
