#include "EnvironmentProxy.h"

#include <QRegularExpression>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace {
// The lower-case name first. HTTP_PROXY is not read: under CGI it comes from
// the request's own "Proxy:" header.
QString variable(const char *lower, const char *upper)
{
    const QString value = qEnvironmentVariable(lower);
    return value.isEmpty() && upper ? qEnvironmentVariable(upper) : value;
}

bool hostMatches(const QString &host, QString entry)
{
    if (const qsizetype colon = entry.lastIndexOf(u':'); colon > 0 && !entry.contains(u']'))
        entry.truncate(colon); // a port is not compared
    if (entry.startsWith(u"*."_s))
        entry.remove(0, 1);
    if (entry.startsWith(u'.'))
        return host.endsWith(entry, Qt::CaseInsensitive) || host.compare(entry.mid(1), Qt::CaseInsensitive) == 0;
    return host.compare(entry, Qt::CaseInsensitive) == 0 || host.endsWith(u'.' + entry, Qt::CaseInsensitive);
}
} // namespace

QNetworkProxy EnvironmentProxy::forUrl(const QUrl &url)
{
    const bool secure = url.scheme().compare(u"https"_s, Qt::CaseInsensitive) == 0;
    QString value = secure ? variable("https_proxy", "HTTPS_PROXY") : variable("http_proxy", nullptr);
    if (value.isEmpty())
        value = variable("all_proxy", "ALL_PROXY");
    if (value.trimmed().isEmpty() || excluded(url.host()))
        return QNetworkProxy(QNetworkProxy::NoProxy);
    return parse(value.trimmed());
}

bool EnvironmentProxy::excluded(const QString &host)
{
    const QStringList entries = variable("no_proxy", "NO_PROXY").split(QRegularExpression(u"[,\\s]+"_s), Qt::SkipEmptyParts);
    for (const QString &entry : entries) {
        if (entry == u"*"_s || hostMatches(host, entry))
            return true;
    }
    return false;
}

QNetworkProxy EnvironmentProxy::parse(const QString &value)
{
    const QUrl proxy = QUrl::fromUserInput(value.contains(u"://"_s) ? value : u"http://"_s + value);
    const bool socks = proxy.scheme().startsWith(u"socks"_s, Qt::CaseInsensitive);
    if (!proxy.isValid() || proxy.host().isEmpty())
        return QNetworkProxy(QNetworkProxy::NoProxy);
    return QNetworkProxy(socks ? QNetworkProxy::Socks5Proxy : QNetworkProxy::HttpProxy, proxy.host(),
                         quint16(proxy.port(1080)), proxy.userName(), proxy.password());
}
