#pragma once

#include <QNetworkProxy>
#include <QUrl>

// The system's own proxy configuration, which on Linux is the proxy
// environment variables: http_proxy, https_proxy, all_proxy and no_proxy.
// Read at every request, like the rest of the connection settings.
class EnvironmentProxy
{
public:
    static QNetworkProxy forUrl(const QUrl &url);

private:
    static bool excluded(const QString &host);
    static QNetworkProxy parse(const QString &value);
};
