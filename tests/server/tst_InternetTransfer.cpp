#include "InternetTransfer.h"
#include "RuntimeError.h"
#include "TestHttpProxy.h"
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
private Q_SLOTS:
    void init();
    void cleanup();
    void bodyBecomesTextByCharset_data();
    void bodyBecomesTextByCharset();
    void statesAndChunksOfASuccessfulRequest();
    void errorStatusStillDeliversTheBody_data();
    void errorStatusStillDeliversTheBody();
    void failuresEndInTheErrorState_data();
    void failuresEndInTheErrorState();
    void basicAuthentication();
    void namedProxy();
    void systemProxyFromTheEnvironment();
    void rejectedAddresses_data();
    void rejectedAddresses();
    void openUrlIsBoundedByTheRequestTimeout();

private:
    // Runs one request to its final state (11 or 12) and returns the states seen.
    QList<qint16> execute(const QString &url);

    std::unique_ptr<TestHttpServer> m_http;
    std::unique_ptr<QNetworkAccessManager> m_manager;
    std::unique_ptr<InternetTransfer> m_transfer;
};

void tst_InternetTransfer::init()
{
    m_http = std::make_unique<TestHttpServer>();
    m_manager = std::make_unique<QNetworkAccessManager>();
    m_transfer = std::make_unique<InternetTransfer>(*m_manager);
}

void tst_InternetTransfer::cleanup()
{
    m_transfer.reset();
    m_manager.reset();
    m_http.reset();
}

QList<qint16> tst_InternetTransfer::execute(const QString &url)
{
    QList<qint16> states;
    connect(m_transfer.get(), &InternetTransfer::StateChanged, this, [&states](qint16 state) { states.append(state); });
    m_transfer->setURL(url);
    m_transfer->Execute(u"GET"_s);
    [&] {
        QTRY_VERIFY_WITH_TIMEOUT(!states.isEmpty()
                                     && (states.last() == InternetTransfer::Error
                                         || states.last() == InternetTransfer::ResponseCompleted),
                                 20000);
    }();
    m_transfer->disconnect(this);
    return states;
}

QString readAllChunks(InternetTransfer &transfer)
{
    QString text;
    for (QString chunk; !(chunk = transfer.GetChunk(2048)).isEmpty();)
        text += chunk;
    return text;
}

void tst_InternetTransfer::bodyBecomesTextByCharset_data()
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
    QTest::newRow("NUL inside") << QByteArray("a\0b", 3) << QByteArray("text/html") << u"a\uFFFDb"_s;
}

void tst_InternetTransfer::bodyBecomesTextByCharset()
{
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, contentType);
    QFETCH(QString, text);
    m_http->setBody(u"/pagina"_s, body, contentType);
    QCOMPARE(execute(m_http->url(u"/pagina"_s)).last(), qint16(InternetTransfer::ResponseCompleted));
    QCOMPARE(readAllChunks(*m_transfer), text);
}

void tst_InternetTransfer::statesAndChunksOfASuccessfulRequest()
{
    m_http->setBody(u"/lunga"_s, QByteArray(5000, 'x'));
    const QList<qint16> states = execute(m_http->url(u"/lunga"_s));
    QCOMPARE(states.count(InternetTransfer::ResponseCompleted), 1);
    QVERIFY(!states.contains(InternetTransfer::Error));
    QVERIFY(std::is_sorted(states.begin(), states.end()));
    QVERIFY(states.contains(InternetTransfer::ResponseReceived));
    QCOMPARE(m_transfer->ResponseCode(), 0);
    QCOMPARE(m_transfer->GetChunk(2048).size(), 2048);
    QCOMPARE(m_transfer->GetChunk(2048).size(), 2048);
    QCOMPARE(m_transfer->GetChunk(2048).size(), 904);
    QVERIFY(m_transfer->GetChunk(2048).isEmpty());
    QVERIFY(!m_transfer->StillExecuting());
}

void tst_InternetTransfer::errorStatusStillDeliversTheBody_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("userName"); // offered when challenged
    QTest::addColumn<bool>("viaProxy");    // a proxy that wants other credentials
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("body");
    QTest::newRow("server error") << u"/guasto"_s << QString() << false << 500 << u"guasto"_s;
    QTest::newRow("401 without a challenge") << u"/vietata"_s << QString() << false << 401 << u"vietata"_s;
    QTest::newRow("401, credentials refused") << u"/riservata"_s << u"mario"_s << false << 401
                                              << u"<html><body>Unauthorized</body></html>"_s;
    QTest::newRow("407, credentials refused") << u"/guasto"_s << u"mario"_s << true << 407
                                              << u"<html>proxy</html>"_s;
}

void tst_InternetTransfer::errorStatusStillDeliversTheBody()
{
    QFETCH(QString, path);
    QFETCH(QString, userName);
    QFETCH(bool, viaProxy);
    QFETCH(int, status);
    QFETCH(QString, body);
    TestHttpServer::Response response;
    response.status = 500;
    response.body = "guasto";
    m_http->setResponse(u"/guasto"_s, response);
    response.status = 401;
    response.body = "vietata";
    m_http->setResponse(u"/vietata"_s, response);
    response.credentials = "mario:giusta"; // the server's own page replaces the body
    m_http->setResponse(u"/riservata"_s, response);
    TestHttpProxy proxy;
    proxy.setCredentials("pino", "giusta");
    if (viaProxy) {
        m_transfer->setAccessType(InternetTransfer::NamedProxy);
        m_transfer->setProxy(u"127.0.0.1"_s);
        m_transfer->setRemotePort(proxy.port());
    }
    m_transfer->setUserName(userName);
    m_transfer->setPassword(u"sbagliata"_s);
    QCOMPARE(execute(m_http->url(path)).last(), qint16(InternetTransfer::ResponseCompleted));
    QCOMPARE(readAllChunks(*m_transfer), body);
    QCOMPARE(m_transfer->ResponseCode(), status);
}

void tst_InternetTransfer::failuresEndInTheErrorState_data()
{
    QTest::addColumn<QString>("url"); // a path is one of the test server's
    QTest::addColumn<qint32>("code");
    QTest::newRow("closed port") << u"http://127.0.0.1:%1/"_s.arg(TestHttpServer::closedPort())
                                 << qint32(TransferError::CannotConnect);
    QTest::newRow("reply cut half-way") << u"/mezza"_s << qint32(TransferError::ConnectionAborted);
}

void tst_InternetTransfer::failuresEndInTheErrorState()
{
    QFETCH(QString, url);
    QFETCH(qint32, code);
    m_http->setCutShort(u"/mezza"_s, 4000, 1000);
    const QList<qint16> states = execute(url.startsWith(u'/') ? m_http->url(url) : url);
    QCOMPARE(states.count(InternetTransfer::Error), 1);
    QVERIFY(!states.contains(InternetTransfer::ResponseCompleted));
    QCOMPARE(m_transfer->ResponseCode(), code);
    QCOMPARE(m_transfer->ResponseInfo(), TransferError::text(code));
    QVERIFY(m_transfer->GetChunk(2048).isEmpty());
}

void tst_InternetTransfer::basicAuthentication()
{
    TestHttpServer::Response secret;
    secret.body = "riservato";
    secret.credentials = "mario:segreta";
    m_http->setResponse(u"/riservata"_s, secret);
    m_transfer->setUserName(u"mario"_s);
    m_transfer->setPassword(u"segreta"_s);
    QCOMPARE(execute(m_http->url(u"/riservata"_s)).last(), qint16(InternetTransfer::ResponseCompleted));
    QCOMPARE(readAllChunks(*m_transfer), u"riservato"_s);
}

void tst_InternetTransfer::namedProxy()
{
    TestHttpProxy proxy;
    proxy.setCredentials("pino", "proxypass");
    m_http->setBody(u"/via-proxy"_s, "passato");
    m_transfer->setAccessType(InternetTransfer::NamedProxy);
    m_transfer->setProxy(u"127.0.0.1"_s);
    m_transfer->setRemotePort(proxy.port());
    m_transfer->setUserName(u"pino"_s);
    m_transfer->setPassword(u"proxypass"_s);
    QCOMPARE(execute(m_http->url(u"/via-proxy"_s)).last(), qint16(InternetTransfer::ResponseCompleted));
    QCOMPARE(readAllChunks(*m_transfer), u"passato"_s);
    QCOMPARE(proxy.forwardedCount(), 1);
    QCOMPARE(m_http->requestCount(u"/via-proxy"_s), 1);

    m_transfer->setRemotePort(TestHttpServer::closedPort());
    QCOMPARE(execute(m_http->url(u"/via-proxy"_s)).last(), qint16(InternetTransfer::Error));
    QCOMPARE(m_transfer->ResponseCode(), qint32(TransferError::ProxyUnreachable));
}

void tst_InternetTransfer::systemProxyFromTheEnvironment()
{
    TestHttpProxy proxy;
    m_http->setBody(u"/env"_s, "via ambiente");
    qputenv("http_proxy", "http://127.0.0.1:" + QByteArray::number(proxy.port()));
    QCOMPARE(execute(m_http->url(u"/env"_s)).last(), qint16(InternetTransfer::ResponseCompleted));
    QCOMPARE(readAllChunks(*m_transfer), u"via ambiente"_s);
    QCOMPARE(proxy.forwardedCount(), 1);

    qputenv("no_proxy", "127.0.0.1");
    QCOMPARE(execute(m_http->url(u"/env"_s)).last(), qint16(InternetTransfer::ResponseCompleted));
    QCOMPARE(proxy.requestCount(), 1);
    qunsetenv("http_proxy");
    qunsetenv("no_proxy");
}

void tst_InternetTransfer::rejectedAddresses_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<qint32>("code");
    QTest::newRow("no scheme") << u"www.example.it/pagina"_s << qint32(TransferError::InvalidUrl);
    QTest::newRow("no host") << u"http://"_s << qint32(TransferError::InvalidUrl);
    QTest::newRow("local file") << u"file:///etc/passwd"_s << qint32(TransferError::UnknownScheme);
}

void tst_InternetTransfer::rejectedAddresses()
{
    QFETCH(QString, url);
    QFETCH(qint32, code);
    QSignalSpy states(m_transfer.get(), &InternetTransfer::StateChanged);
    m_transfer->setURL(url);
    try {
        m_transfer->Execute(u"GET"_s);
        QFAIL("address accepted");
    } catch (const RuntimeError &error) {
        QCOMPARE(error.number(), code);
        QCOMPARE(error.description(), TransferError::text(code));
    }
    QVERIFY(!m_transfer->StillExecuting());
    QCOMPARE(states.count(), 0);
}

void tst_InternetTransfer::openUrlIsBoundedByTheRequestTimeout()
{
    m_http->setSilent(u"/muta"_s);
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

QTEST_GUILESS_MAIN(tst_InternetTransfer)
#include "tst_InternetTransfer.moc"
