// The JSON API and its event streams on the real ciarla-servizio over SQLite:
// hostile input answered with its status, one store behind the pages and the
// API, streams that catch up without gaps or repeats, slow readers dropped.
#include "EventStreamClient.h"
#include "RawConnections.h"
#include "ServiceProcess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>
#include <future>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
ServiceProcess::Reply call(quint16 port, const QByteArray &method, const QByteArray &target,
                           const QByteArray &body = {}, const QByteArray &headers = {}, int piece = 1 << 20)
{
    const QByteArray length = body.isEmpty() && method == "GET" ? QByteArray()
                                                                : "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    return ServiceProcess::exchange(port, method + ' ' + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
                                              + headers + length + "\r\n" + body, piece);
}

QByteArray jsonOf(const QString &nick, const QString &text)
{
    return QJsonDocument(QJsonObject{{u"nick"_s, nick}, {u"text"_s, text}}).toJson(QJsonDocument::Compact);
}
} // namespace

class TestServizioApi : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void badInputsAreRefused_data();
    void badInputsAreRefused();
    void pagesAndApiShareOneStore();
    void streamsCatchUpWithoutGapsOrRepeats();
    void slowSubscriberIsDropped();
    void bodiesShareOneBudget();

private:
    void start(const QStringList &options);
    qint64 posted(const QString &text, const QByteArray &room = "stanza1") const
    {
        return ServiceProcess::post(m_service->port(), room, u"api"_s, text);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ServiceProcess> m_service;
};

void TestServizioApi::start(const QStringList &options)
{
    m_service.reset();
    m_dir = std::make_unique<QTemporaryDir>();
    m_service = std::make_unique<ServiceProcess>(m_dir->filePath(u"chat.sqlite"_s), options);
    QVERIFY2(m_service->start(), m_service->errorOutput().constData());
}

void TestServizioApi::badInputsAreRefused_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QByteArray>("headers");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status"); // of the last of three tries
    const QByteArray json = "Content-Type: application/json\r\n";
    const QByteArray messages = "/api/v1/rooms/stanza1/messages";
    const auto get = [](const char *name, const QByteArray &target, int status, const QByteArray &headers = {}) {
        QTest::newRow(name) << QByteArray("GET") << target << headers << QByteArray() << status;
    };
    const auto send = [&](const char *name, const QByteArray &headers, const QByteArray &body, int status) {
        QTest::newRow(name) << QByteArray("POST") << messages << headers << body << status;
    };
    get("unknown path", "/api/v1/nothing", 404);
    get("unknown room", "/api/v1/rooms/stanza9/messages", 404);
    get("unknown room's events", "/api/v1/rooms/stanza9/events", 404);
    get("before not a number", messages + "?before=12a", 400);
    get("escaped limit", messages + "?limit=%35", 200); // escapes are decoded first: "5"
    get("limit blank", messages + "?limit=", 400);
    get("limit zero", messages + "?limit=0", 400);
    get("empty search", "/api/v1/search?q=", 400);
    get("search of punctuation only", "/api/v1/search?q=%2C%3B", 400);
    get("search in an unknown room", "/api/v1/search?q=ciao&room=nessuna", 404);
    get("bad Last-Event-ID", "/api/v1/rooms/stanza1/events", 400, "Last-Event-ID: x1\r\n");
    QTest::newRow("method not allowed") << QByteArray("DELETE") << messages << QByteArray() << QByteArray() << 405;
    send("plain text", "Content-Type: text/plain\r\n", jsonOf(u"a"_s, u"b"_s), 415);
    send("form", "Content-Type: application/x-www-form-urlencoded\r\n", "nick=a&text=b", 415);
    send("no content type", {}, jsonOf(u"a"_s, u"b"_s), 415);
    send("latin-1 json", "Content-Type: application/json; charset=iso-8859-1\r\n", jsonOf(u"a"_s, u"b"_s), 415);
    send("broken json", json, R"({"nick":"a","text":)", 400);
    send("trailing garbage", json, jsonOf(u"a"_s, u"b"_s) + "x", 400);
    send("array", json, R"(["a","b"])", 400);
    send("number nick", json, R"({"nick":7,"text":"b"})", 400);
    send("missing text", json, R"({"nick":"a"})", 400);
    send("extra member", json, R"({"nick":"a","text":"b","room":"stanza2"})", 400);
    send("invalid utf-8", json, "{\"nick\":\"a\",\"text\":\"\xC3\x28\"}", 400);
    send("empty nick", json, jsonOf(QString(), u"b"_s), 400);
    send("control character", json, R"({"nick":"a","text":"x\u0000y"})", 400);
    send("text too long", json, jsonOf(u"a"_s, QString(601, u'x')), 400);
    send("body beyond --max-body", json, jsonOf(u"a"_s, QString(2000, u'x')), 413);
    send("chunked body", json + "Transfer-Encoding: chunked\r\n", "0\r\n\r\n", 400);
    send("flood", json, jsonOf(u"a"_s, u"b"_s), 429);
}

void TestServizioApi::badInputsAreRefused()
{
    QFETCH(QByteArray, method);
    QFETCH(QByteArray, target);
    QFETCH(QByteArray, headers);
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    start({u"--put-limit"_s, u"2"_s, u"--max-body"_s, u"1024"_s});
    ServiceProcess::Reply answer;
    for (int i = 0; i < 3; ++i)
        answer = call(m_service->port(), method, target, body, headers);
    QCOMPARE(answer.status, status);
    QVERIFY(!answer.head.contains("Access-Control"));
    if (status == 413 || headers.contains("chunked"))
        return; // refused by the HTTP layer, before the API
    QVERIFY(answer.head.contains("\r\nX-Content-Type-Options: nosniff"));
    QVERIFY(answer.head.contains("\r\nContent-Type: application/json; charset=utf-8"));
    QVERIFY(answer.json().isObject());
    QVERIFY(status == 200 || !answer.json()[u"error"_s].toString().isEmpty());
}

void TestServizioApi::pagesAndApiShareOneStore()
{
    start({u"--put-limit"_s, u"0"_s});
    const quint16 port = m_service->port();
    QList<qint64> ids;
    for (int i = 0; i < 4; ++i)
        ids.append(posted(u"api %1 è"_s.arg(i)));
    QVERIFY(m_service->get(ServiceProcess::putTarget(u"putmsgchat1.asp"_s, u"pagina"_s, u"dalla pagina"_s)).status == 200);
    // A body that trickles in, five bytes at a time, is read whole.
    QCOMPARE(call(port, "POST", "/api/v1/rooms/stanza1/messages", jsonOf(u"lento"_s, u"a pezzi"_s),
                  "Content-Type: application/json\r\n", 5).status, 201);
    QCOMPARE(m_service->get("/getmsgchat1.asp").messages(),
             (QStringList{u"api 0 è"_s, u"api 1 è"_s, u"api 2 è"_s, u"api 3 è"_s, u"dalla pagina"_s, u"a pezzi"_s}));

    const ServiceProcess::Reply all = call(port, "GET", "/api/v1/rooms/stanza1/messages");
    QCOMPARE(all.status, 200);
    QCOMPARE(all.ids().first(4), ids);
    const QJsonObject put = all.json()[u"messages"_s].toArray().at(4).toObject();
    QCOMPARE(put[u"nick"_s].toString(), u"pagina"_s);
    QCOMPARE(put[u"room"_s].toString(), u"stanza1"_s);
    QVERIFY(QDateTime::fromString(put[u"time"_s].toString(), Qt::ISODate).isValid());
    QCOMPARE(call(port, "GET", "/api/v1/rooms/stanza1/messages?limit=2&before=" + QByteArray::number(ids[3])).ids(),
             ids.mid(1, 2));
    QCOMPARE(call(port, "GET", "/api/v1/rooms/stanza2/messages").ids(), QList<qint64>());
    QCOMPARE(call(port, "GET", "/api/v1/search?q=API+E&room=stanza1&limit=3").ids(),
             (QList<qint64>{ids[3], ids[2], ids[1]}));
    QCOMPARE(call(port, "GET", "/api/v1/rooms").json().array().size(), 5);
}

void TestServizioApi::streamsCatchUpWithoutGapsOrRepeats()
{
    // One second of idle time-out: the streams outlive it.
    start({u"--put-limit"_s, u"0"_s, u"--idle-timeout"_s, u"1"_s, u"--max-per-address"_s, u"2"_s});
    const QByteArray path = "/api/v1/rooms/stanza1/events";
    std::vector<std::unique_ptr<EventStreamClient>> streams(13);
    for (auto &stream : streams)
        stream = std::make_unique<EventStreamClient>();
    QVERIFY(streams[0]->open(m_service->port(), path, {}, "127.0.0.2").contains("Content-Type: text/event-stream"));
    const QList<qint64> ids{posted(u"uno"_s), posted(u"altrove"_s, "stanza2"), posted(u"due"_s)};
    QByteArray data;
    QCOMPARE(streams[0]->next(10000, &data), ids[0]);
    QCOMPARE(QJsonDocument::fromJson(data)[u"text"_s].toString(), u"uno"_s);
    QCOMPARE(streams[0]->next(10000), ids[2]);

    // Reconnections while posts pour in, past the idle time-out: what was missed, then live, nothing twice.
    QTest::qWait(2500);
    auto burst = std::async(std::launch::async, [this] {
        for (int i = 0; i < 40; ++i)
            posted(u"raffica %1"_s.arg(i));
    });
    for (int i = 1; i < 13; ++i) {
        const QByteArray source = "127.0.0." + QByteArray::number(i + 2);
        QVERIFY(!streams[i]->open(m_service->port(), path, QByteArray::number(ids[0]), source.constData()).isEmpty());
    }
    burst.get();
    const QList<qint64> all = call(m_service->port(), "GET", "/api/v1/rooms/stanza1/messages?limit=200").ids();
    QCOMPARE(all.size(), 42);
    for (const auto &stream : streams)
        QCOMPARE(stream->ids(40), all.mid(stream == streams[0] ? 2 : 1));

    // Subscribers are connections like any other: a third from one address is refused.
    EventStreamClient second;
    QVERIFY(!second.open(m_service->port(), path, {}, "127.0.0.2").isEmpty());
    EventStreamClient third;
    QVERIFY(third.open(m_service->port(), path, {}, "127.0.0.2").startsWith("HTTP/1.1 503"));
}

void TestServizioApi::slowSubscriberIsDropped()
{
    start({u"--put-limit"_s, u"0"_s});
    const QByteArray path = "/api/v1/rooms/stanza1/events";
    EventStreamClient slow;
    QVERIFY(!slow.open(m_service->port(), path, {}, "127.0.0.2", 4096).isEmpty());
    EventStreamClient reader;
    QVERIFY(!reader.open(m_service->port(), path, {}, "127.0.0.3").isEmpty());
    constexpr int count = 500; // of about 1.3 KB each: more than the backlog and the socket buffers hold
    auto read = std::async(std::launch::async, [&reader] { return reader.ids(count).size(); });
    for (int i = 0; i < count; ++i)
        QVERIFY(posted(QString(600, u'è')) > 0);
    while (slow.next(10000)) {
    }
    QVERIFY(slow.closed());
    QCOMPARE(read.get(), count);
}

void TestServizioApi::bodiesShareOneBudget()
{
    start({u"--body-buffer"_s, u"64"_s});
    const QByteArray body = jsonOf(u"a"_s, QString(39000, u'x'));
    const QByteArray request = "POST /api/v1/rooms/stanza1/messages HTTP/1.1\r\nHost: a\r\nConnection: close\r\n"
                               "Content-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size())
        + "\r\n\r\n";
    // One body trickling in holds most of the 64 KB; a second one meanwhile is refused, not buffered.
    const int trickling = RawConnections::connectFrom(m_service->port(), "127.0.0.2");
    QVERIFY(send(trickling, request.constData(), size_t(request.size()), 0) == request.size());
    QTRY_COMPARE(ServiceProcess::exchange(m_service->port(), request + body).status, 503);
    ::close(trickling);
    QTRY_COMPARE(ServiceProcess::exchange(m_service->port(), request + body).status, 400); // read: the text is too long
}

QTEST_GUILESS_MAIN(TestServizioApi)
#include "tst_ServizioApi.moc"
