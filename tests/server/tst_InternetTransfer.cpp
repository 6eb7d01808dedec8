#include "EnvironmentProxy.h"
#include "InternetTransfer.h"
#include "TestHttpServer.h"
#include "TransferError.h"

#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

// The transfer layer against the tests' own HTTP server and proxy.
class tst_InternetTransfer : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestHttpServer> m_http;
    std::unique_ptr<QNetworkAccessManager> m_manager;
    std::unique_ptr<InternetTransfer> m_transfer;

    // Runs one request to its final state and returns "completed BODY" or "error CODE".
    QString execute(const QString &url)
    {
        QList<qint16> states;
        connect(m_transfer.get(), &InternetTransfer::StateChanged, this, [&states](qint16 state) { states.append(state); });
        m_transfer->setURL(url.startsWith(u'/') ? m_http->url(url) : url);
        m_transfer->Execute(u"GET"_s);
        const bool ended = QTest::qWaitFor([&] {
            return states.contains(InternetTransfer::Error) || states.contains(InternetTransfer::ResponseCompleted);
        }, 20000);
        m_transfer->disconnect(this);
        if (!ended || !std::is_sorted(states.begin(), states.end()) || states.count(states.last()) != 1)
            return u"states out of order"_s;
        if (states.last() == InternetTransfer::Error)
            return u"error "_s + QString::number(m_transfer->ResponseCode()) + m_transfer->GetChunk(2048);
        QString text;
        // Every chunk but the last is full.
        for (QString chunk; !(chunk = m_transfer->GetChunk(2048)).isEmpty(); text += chunk) {
            if (text.size() % 2048 != 0)
                return u"short chunk"_s;
        }
        return u"completed "_s + text;
    }

private Q_SLOTS:
    void init()
    {
        m_http = std::make_unique<TestHttpServer>();
        m_manager = std::make_unique<QNetworkAccessManager>();
        m_transfer = std::make_unique<InternetTransfer>(*m_manager);
        for (const char *name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY",
                                 "no_proxy", "NO_PROXY"})
            qunsetenv(name);
    }

    void bodyBecomesTextByCharset_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QString>("text");
        QTest::newRow("utf-8 declared") << QByteArray("perch\xC3\xA9") << QByteArray("text/html; charset=UTF-8") << u"perché"_s;
        // Pages labelled Latin-1 are Windows-1252 in practice.
        QTest::newRow("latin-1 declared") << QByteArray("perch\xE9 \x80") << QByteArray("text/html; charset=\"ISO-8859-1\"")
                                          << u"perché €"_s;
        QTest::newRow("undeclared, valid utf-8") << QByteArray("citt\xC3\xA0") << QByteArray("text/html") << u"città"_s;
        QTest::newRow("undeclared, not utf-8") << QByteArray("citt\xE0 \x80") << QByteArray("text/html") << u"città €"_s;
        QTest::newRow("unknown charset, valid utf-8") << QByteArray("citt\xC3\xA0") << QByteArray("text/html; charset=x-nessuno")
                                                      << u"città"_s;
        QTest::newRow("empty body") << QByteArray() << QByteArray() << QString();
        QTest::newRow("longer than two chunks") << QByteArray(5000, 'x') << QByteArray("text/plain") << QString(5000, u'x');
    }

    void bodyBecomesTextByCharset()
    {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, contentType);
        QFETCH(QString, text);
        m_http->setBody(u"/pagina"_s, body, contentType);
        QCOMPARE(execute(u"/pagina"_s), u"completed "_s + text);
    }

    // An error status still delivers the body, a refused login its page; a proxy named,
    // unreachable or taken from the environment (the test server is its own proxy).
    void statusCredentialsAndProxies_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("credentials"); // "user:password", offered when challenged
        QTest::addColumn<QString>("proxy");       // named (wants pino:giusta), closed, environment, no_proxy
        QTest::addColumn<QString>("expected");    // response code and result
        const QString unreachable = u"%1 error %1"_s.arg(TransferError::ProxyUnreachable);
        QTest::newRow("server error") << u"/guasto"_s << QString() << QString() << u"500 completed guasto"_s;
        QTest::newRow("401 without a challenge") << u"/vietata"_s << QString() << QString() << u"401 completed vietata"_s;
        QTest::newRow("401, credentials accepted") << u"/riservata"_s << u"mario:giusta"_s << QString() << u"0 completed riservato"_s;
        QTest::newRow("401, credentials refused") << u"/riservata"_s << u"mario:sbagliata"_s << QString()
                                                  << u"401 completed <html><body>Unauthorized</body></html>"_s;
        QTest::newRow("proxy, credentials accepted") << u"/pagina"_s << u"pino:giusta"_s << u"named"_s << u"0 completed passato"_s;
        QTest::newRow("407, credentials refused") << u"/guasto"_s << u"mario:sbagliata"_s << u"named"_s
                                                  << u"407 completed <html>proxy</html>"_s;
        QTest::newRow("proxy unreachable") << u"/pagina"_s << QString() << u"closed"_s << unreachable;
        QTest::newRow("proxy from the environment") << u"/pagina"_s << QString() << u"environment"_s << u"0 completed passato"_s;
        QTest::newRow("no_proxy names the host") << u"/pagina"_s << QString() << u"no_proxy"_s << u"0 completed passato"_s;
    }

    void statusCredentialsAndProxies()
    {
        QFETCH(QString, path);
        QFETCH(QString, credentials);
        QFETCH(QString, proxy);
        QFETCH(QString, expected);
        m_http->setResponse(u"/guasto"_s, {.status = 500, .body = "guasto"});
        m_http->setResponse(u"/vietata"_s, {.status = 401, .body = "vietata"});
        m_http->setResponse(u"/riservata"_s, {.body = "riservato", .credentials = "mario:giusta"});
        m_http->setBody(u"/pagina"_s, "passato");
        if (proxy == u"named"_s || proxy == u"closed"_s) {
            m_http->setProxyCredentials("pino:giusta");
            m_transfer->setAccessType(InternetTransfer::NamedProxy);
            m_transfer->setProxy(u"127.0.0.1"_s);
            m_transfer->setRemotePort(proxy == u"named"_s ? m_http->port() : TestHttpServer::closedPort());
        } else if (!proxy.isEmpty()) {
            qputenv("http_proxy", "127.0.0.1:" + QByteArray::number(m_http->port()));
            qputenv("no_proxy", proxy == u"no_proxy"_s ? "localhost, 127.0.0.1" : "localhost");
        }
        m_transfer->setUserName(credentials.section(u':', 0, 0));
        m_transfer->setPassword(credentials.section(u':', 1));
        const QString result = execute(path);
        QCOMPARE(QString::number(m_transfer->ResponseCode()) + u' ' + result, expected);
        // Through a proxy, every request; otherwise none.
        QCOMPARE(m_http->proxiedCount(), proxy == u"named"_s || proxy == u"environment"_s ? m_http->requestCount(path) : 0);
    }

    void proxyForUrl_data()
    {
        QTest::addColumn<QStringList>("environment"); // name, value, name, value...
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("expected"); // "type host:port user", or "none"
        const QString page = u"http://chat.example.it/stanza"_s;
        const auto row = [&page](const char *name, const QStringList &environment, const QString &expected, const QString &url = {}) {
            QTest::newRow(name) << environment << (url.isEmpty() ? page : url) << expected;
        };
        row("nothing set", {}, u"none"_s);
        row("http_proxy", {u"http_proxy"_s, u"http://proxy.lan:3128"_s}, u"http proxy.lan:3128 "_s);
        row("without scheme or port", {u"http_proxy"_s, u"proxy.lan"_s}, u"http proxy.lan:1080 "_s);
        row("credentials in the value", {u"http_proxy"_s, u"http://ugo:pw@proxy.lan:8080/"_s}, u"http proxy.lan:8080 ugo"_s);
        row("upper-case HTTP_PROXY ignored", {u"HTTP_PROXY"_s, u"proxy.lan:3128"_s}, u"none"_s);
        row("https uses https_proxy", {u"http_proxy"_s, u"a:1"_s, u"HTTPS_PROXY"_s, u"b:2"_s}, u"http b:2 "_s,
            u"https://chat.example.it/"_s);
        row("all_proxy as fallback", {u"all_proxy"_s, u"socks5://c:1081"_s}, u"socks c:1081 "_s);
        row("no_proxy domain", {u"http_proxy"_s, u"a:1"_s, u"no_proxy"_s, u"localhost, example.it"_s}, u"none"_s);
        row("no_proxy leading dot", {u"http_proxy"_s, u"a:1"_s, u"no_proxy"_s, u".example.it"_s}, u"none"_s);
        row("no_proxy other domain", {u"http_proxy"_s, u"a:1"_s, u"no_proxy"_s, u"ample.it"_s}, u"http a:1 "_s);
        row("no_proxy address with port", {u"http_proxy"_s, u"a:1"_s, u"NO_PROXY"_s, u"127.0.0.1:80"_s}, u"none"_s,
            u"http://127.0.0.1:8080/"_s);
        row("no_proxy star", {u"http_proxy"_s, u"a:1"_s, u"no_proxy"_s, u"*"_s}, u"none"_s);
    }

    void proxyForUrl()
    {
        QFETCH(QStringList, environment);
        QFETCH(QString, url);
        QFETCH(QString, expected);
        for (qsizetype i = 0; i + 1 < environment.size(); i += 2)
            qputenv(environment[i].toLatin1().constData(), environment[i + 1].toUtf8());
        const QNetworkProxy proxy = EnvironmentProxy::forUrl(QUrl(url));
        QCOMPARE(proxy.type() == QNetworkProxy::NoProxy ? u"none"_s
                     : u"%1 %2:%3 %4"_s.arg(proxy.type() == QNetworkProxy::Socks5Proxy ? u"socks"_s : u"http"_s, proxy.hostName())
                           .arg(proxy.port()).arg(proxy.user()),
                 expected);
    }

    void openUrlIsBoundedByTheRequestTimeout()
    {
        m_http->setResponse(u"/muta"_s, {.neverAnswer = true});
        QSignalSpy states(m_transfer.get(), &InternetTransfer::StateChanged);
        std::optional<QString> body;
        m_transfer->setURL(m_http->url(u"/muta"_s));
        m_transfer->setRequestTimeout(1);
        m_transfer->OpenURL([&body](const QString &text) { body = text; });
        QTRY_VERIFY_WITH_TIMEOUT(body.has_value(), 10000);
        QVERIFY(body->isEmpty());
        QCOMPARE(states.last().first().value<qint16>(), qint16(InternetTransfer::Error));
        QCOMPARE(m_transfer->ResponseCode(), qint32(TransferError::TimedOut));
    }
};

QTEST_GUILESS_MAIN(tst_InternetTransfer)
#include "tst_InternetTransfer.moc"
