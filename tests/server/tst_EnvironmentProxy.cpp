#include "EnvironmentProxy.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The system's proxy configuration: the proxy environment variables.
class tst_EnvironmentProxy : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void proxyForUrl_data();
    void proxyForUrl();
};

void tst_EnvironmentProxy::init()
{
    for (const char *name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY",
                             "no_proxy", "NO_PROXY"})
        qunsetenv(name);
}

void tst_EnvironmentProxy::proxyForUrl_data()
{
    QTest::addColumn<QStringList>("environment"); // name, value, name, value...
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("expected"); // "type host:port user", or "none"

    const QString page = u"http://chat.example.it/stanza"_s;
    QTest::newRow("nothing set") << QStringList() << page << u"none"_s;
    QTest::newRow("http_proxy") << QStringList{u"http_proxy"_s, u"http://proxy.lan:3128"_s} << page
                                << u"http proxy.lan:3128 "_s;
    QTest::newRow("without scheme or port") << QStringList{u"http_proxy"_s, u"proxy.lan"_s} << page
                                            << u"http proxy.lan:1080 "_s;
    QTest::newRow("credentials in the value") << QStringList{u"http_proxy"_s, u"http://ugo:pw@proxy.lan:8080/"_s}
                                              << page << u"http proxy.lan:8080 ugo"_s;
    QTest::newRow("upper-case HTTP_PROXY ignored") << QStringList{u"HTTP_PROXY"_s, u"proxy.lan:3128"_s} << page
                                                   << u"none"_s;
    QTest::newRow("https uses https_proxy") << QStringList{u"http_proxy"_s, u"a:1"_s, u"HTTPS_PROXY"_s, u"b:2"_s}
                                            << u"https://chat.example.it/"_s << u"http b:2 "_s;
    QTest::newRow("all_proxy as fallback") << QStringList{u"all_proxy"_s, u"socks5://c:1081"_s} << page
                                           << u"socks c:1081 "_s;
    QTest::newRow("no_proxy domain") << QStringList{u"http_proxy"_s, u"a:1"_s, u"no_proxy"_s, u"localhost, example.it"_s}
                                     << page << u"none"_s;
    QTest::newRow("no_proxy leading dot") << QStringList{u"http_proxy"_s, u"a:1"_s, u"no_proxy"_s, u".example.it"_s}
                                          << page << u"none"_s;
    QTest::newRow("no_proxy other domain") << QStringList{u"http_proxy"_s, u"a:1"_s, u"no_proxy"_s, u"ample.it"_s}
                                           << page << u"http a:1 "_s;
    QTest::newRow("no_proxy address with port") << QStringList{u"http_proxy"_s, u"a:1"_s, u"NO_PROXY"_s, u"127.0.0.1:80"_s}
                                                << u"http://127.0.0.1:8080/"_s << u"none"_s;
    QTest::newRow("no_proxy star") << QStringList{u"http_proxy"_s, u"a:1"_s, u"no_proxy"_s, u"*"_s} << page
                                   << u"none"_s;
}

void tst_EnvironmentProxy::proxyForUrl()
{
    QFETCH(QStringList, environment);
    QFETCH(QString, url);
    QFETCH(QString, expected);
    for (qsizetype i = 0; i + 1 < environment.size(); i += 2)
        qputenv(environment[i].toLatin1().constData(), environment[i + 1].toUtf8());

    const QNetworkProxy proxy = EnvironmentProxy::forUrl(QUrl(url));
    QString actual = u"none"_s;
    if (proxy.type() != QNetworkProxy::NoProxy) {
        actual = u"%1 %2:%3 %4"_s.arg(proxy.type() == QNetworkProxy::Socks5Proxy ? u"socks"_s : u"http"_s,
                                      proxy.hostName())
                     .arg(proxy.port())
                     .arg(proxy.user());
    }
    QCOMPARE(actual, expected);
}

QTEST_GUILESS_MAIN(tst_EnvironmentProxy)
#include "tst_EnvironmentProxy.moc"
