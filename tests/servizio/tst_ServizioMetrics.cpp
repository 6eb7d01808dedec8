// The operators' side of the real ciarla-servizio: its metrics move by exactly
// what clients did, are read by promtool and by a real Prometheus, readiness
// follows a real PostgreSQL, and its listener holds to its bounds.
#include "PostgresCluster.h"
#include "RawConnections.h"
#include "ServiceProcess.h"
#include "TestHttpServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
using Deltas = QList<QPair<QByteArray, double>>;
constexpr int waitMs = 30000;

QByteArray getRequest(const QByteArray &target)
{
    return "GET " + target + " HTTP/1.1\r\nHost: a\r\nConnection: close\r\n\r\n";
}

QByteArray put(const QString &nick)
{
    return getRequest(ServiceProcess::putTarget(u"putmsgchat.asp"_s, nick, u"ciao"_s));
}

// Every sample of the exposition, by its name and labels as written.
QHash<QByteArray, double> scrape(quint16 port)
{
    QHash<QByteArray, double> samples;
    for (const QByteArray &line : ServiceProcess::get(port, "/metrics").body.split('\n')) {
        const qsizetype blank = line.lastIndexOf(' ');
        if (!line.startsWith('#') && blank > 0)
            samples.insert(line.left(blank), line.mid(blank + 1).toDouble());
    }
    return samples;
}

// Counts of the families a client moves that changed from `before` to `after`, by series.
QHash<QByteArray, double> moved(const QHash<QByteArray, double> &before, const QHash<QByteArray, double> &after)
{
    static const QList<QByteArray> families{"ciarla_http_requests_total", "ciarla_messages_stored_total",
                                            "ciarla_puts_refused_total", "ciarla_connections_refused_total",
                                            "ciarla_http_request_duration_seconds_count",
                                            "ciarla_database_commit_seconds_count"};
    QHash<QByteArray, double> changes;
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        const bool counted = std::any_of(families.cbegin(), families.cend(),
                                         [&it](const QByteArray &family) { return it.key().startsWith(family); });
        if (counted && it.value() != before.value(it.key()))
            changes.insert(it.key(), it.value() - before.value(it.key()));
    }
    return changes;
}
} // namespace

class TestServizioMetrics : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void countersMoveByWhatClientsDid_data();
    void countersMoveByWhatClientsDid();
    void eventStreamsAreCountedWhileOpen();
    void operatorsPagesAnswer_data();
    void operatorsPagesAnswer();
    void operatorsListenerIsBounded_data();
    void operatorsListenerIsBounded();
    void prometheusReadsTheExposition();
    void readinessFollowsTheDatabase();

private:
    // A service on a fresh SQLite file, with its metrics on a free port.
    std::unique_ptr<ServiceProcess> startService(const QStringList &options = {}, const QString &database = {});

    QTemporaryDir m_dir;
};

std::unique_ptr<ServiceProcess> TestServizioMetrics::startService(const QStringList &options, const QString &database)
{
    static int files = 0;
    auto service = std::make_unique<ServiceProcess>(
        database.isEmpty() ? m_dir.filePath(u"chat%1.sqlite"_s.arg(++files)) : database,
        options + QStringList{u"--metrics"_s, u"127.0.0.1:0"_s});
    if (!service->start() || service->metricsPort() == 0)
        qWarning("the service did not start: %s", service->errorOutput().constData());
    return service;
}

void TestServizioMetrics::countersMoveByWhatClientsDid_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("banned"); // a nick banned before the count starts
    QTest::addColumn<int>("crowd"); // connections held open from one address first
    QTest::addColumn<QList<QByteArray>>("requests");
    QTest::addColumn<Deltas>("deltas");
    const QByteArray poll = "ciarla_http_requests_total{kind=\"poll\",code=\"200\"}";
    QTest::newRow("stored") << QStringList{u"--put-limit"_s, u"0"_s} << QString() << 0
                            << QList<QByteArray>{put(u"a"_s), put(u"b"_s)}
                            << Deltas{{"ciarla_messages_stored_total", 2},
                                      {"ciarla_http_requests_total{kind=\"put\",code=\"200\"}", 2},
                                      {"ciarla_http_request_duration_seconds_count{kind=\"put\"}", 2},
                                      {"ciarla_database_commit_seconds_count", 2}};
    QTest::newRow("flood and rules") << QStringList{u"--put-limit"_s, u"1"_s, u"--put-window"_s, u"600"_s}
                                     << QString() << 0
                                     << QList<QByteArray>{put(u"a"_s), put(u"a"_s), put(u"a"_s), put(QString())}
                                     << Deltas{{"ciarla_messages_stored_total", 1},
                                               {"ciarla_puts_refused_total{reason=\"flood\"}", 2},
                                               {"ciarla_puts_refused_total{reason=\"rules\"}", 1},
                                               {"ciarla_http_requests_total{kind=\"put\",code=\"200\"}", 1},
                                               {"ciarla_http_requests_total{kind=\"put\",code=\"429\"}", 2},
                                               {"ciarla_http_requests_total{kind=\"put\",code=\"400\"}", 1},
                                               {"ciarla_http_request_duration_seconds_count{kind=\"put\"}", 4},
                                               {"ciarla_database_commit_seconds_count", 1}};
    QTest::newRow("banned nick") << QStringList{u"--put-limit"_s, u"0"_s} << u"Troll"_s << 0
                                 << QList<QByteArray>{put(u"tROLL"_s)}
                                 << Deltas{{"ciarla_puts_refused_total{reason=\"ban\"}", 1},
                                           {"ciarla_http_requests_total{kind=\"put\",code=\"403\"}", 1},
                                           {"ciarla_http_request_duration_seconds_count{kind=\"put\"}", 1}};
    // The operators' pages are not on the public port.
    QTest::newRow("polls and pages not found")
        << QStringList() << QString() << 0
        << QList<QByteArray>{getRequest("/getmsgchat.asp"), getRequest("/chat/GETMSGCHAT2.ASP"), getRequest("/metrics"),
                             getRequest("/healthz"), getRequest("/readyz"), getRequest("/api/v1/nessuna"),
                             "GET / HTTP/1.1\rX\r\n\r\n"}
        << Deltas{{poll, 2},
                  {"ciarla_http_requests_total{kind=\"other\",code=\"404\"}", 3},
                  {"ciarla_http_requests_total{kind=\"api\",code=\"404\"}", 1},
                  {"ciarla_http_requests_total{kind=\"other\",code=\"400\"}", 1},
                  {"ciarla_http_request_duration_seconds_count{kind=\"poll\"}", 2},
                  {"ciarla_http_request_duration_seconds_count{kind=\"api\"}", 1},
                  {"ciarla_http_request_duration_seconds_count{kind=\"other\"}", 4}};
    QTest::newRow("over the cap per address") << QStringList{u"--max-per-address"_s, u"1"_s} << QString() << 3
                                              << QList<QByteArray>()
                                              << Deltas{{"ciarla_connections_refused_total{reason=\"max_per_address\"}", 2}};
    QTest::newRow("over the total cap") << QStringList{u"--max-connections"_s, u"2"_s} << QString() << 3
                                        << QList<QByteArray>()
                                        << Deltas{{"ciarla_connections_refused_total{reason=\"max_connections\"}", 1}};
}

void TestServizioMetrics::countersMoveByWhatClientsDid()
{
    QFETCH(QStringList, options);
    QFETCH(QString, banned);
    QFETCH(int, crowd);
    QFETCH(QList<QByteArray>, requests);
    QFETCH(Deltas, deltas);
    const QString database = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + u".sqlite"_s);
    const auto service = startService(options, database);
    QVERIFY(service->metricsPort() != 0);
    if (!banned.isEmpty()) {
        const QStringList ban{u"ban"_s, u"--nick"_s, banned, u"--database"_s, database};
        QCOMPARE(QProcess::execute(QStringLiteral(SERVIZIO_PROGRAM), ban), 0);
        QTRY_VERIFY_WITH_TIMEOUT(RawConnections::exchange(service->port(), put(banned)).startsWith("HTTP/1.1 403 "),
                                 waitMs);
    }
    const QHash<QByteArray, double> before = scrape(service->metricsPort());
    QVERIFY(before.contains("ciarla_puts_refused_total{reason=\"ban\"}")); // known labels are there from the start
    RawConnections crowded;
    QCOMPARE(crowded.open(service->port(), crowd, crowd), crowd);
    for (const QByteArray &request : requests)
        QVERIFY(RawConnections::exchange(service->port(), request).startsWith("HTTP/1.1 "));
    const QHash<QByteArray, double> expected(deltas.cbegin(), deltas.cend());
    QTRY_COMPARE_WITH_TIMEOUT(moved(before, scrape(service->metricsPort())), expected, waitMs);
}

void TestServizioMetrics::eventStreamsAreCountedWhileOpen()
{
    const auto service = startService();
    QVERIFY(service->metricsPort() != 0);
    const auto streams = [port = service->metricsPort()] {
        const QHash<QByteArray, double> samples = scrape(port);
        return QList<double>{samples.value("ciarla_event_subscribers", -1),
                             samples.value("ciarla_http_requests_total{kind=\"events\",code=\"200\"}", -1)};
    };
    RawConnections subscribers;
    QCOMPARE(subscribers.open(service->port(), 2, 2), 2);
    subscribers.sendAll(getRequest("/api/v1/rooms/stanza1/events").replace("Connection: close\r\n", ""));
    QTRY_COMPARE_WITH_TIMEOUT(streams(), (QList<double>{2, 2}), waitMs);
    subscribers.closeAll();
    QTRY_COMPARE_WITH_TIMEOUT(streams(), (QList<double>{0, 2}), waitMs);
}

void TestServizioMetrics::operatorsPagesAnswer_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body"); // a part of it
    QTest::newRow("metrics") << getRequest("/metrics?x=1") << 200 << QByteArray("\nciarla_database_up 1\n");
    QTest::newRow("healthz") << getRequest("/healthz") << 200 << QByteArray("attivo");
    QTest::newRow("readyz") << getRequest("/readyz") << 200 << QByteArray("pronto");
    QTest::newRow("unknown page") << getRequest("/getmsgchat.asp") << 404 << QByteArray();
    QTest::newRow("not a GET") << QByteArray("POST /metrics HTTP/1.1\r\nHost: a\r\nContent-Length: 0\r\n\r\n") << 405
                               << QByteArray();
    QTest::newRow("a body") << QByteArray("GET /metrics HTTP/1.1\r\nHost: a\r\nContent-Length: 1\r\n\r\nx") << 413
                            << QByteArray();
    QTest::newRow("head over 4 KB") << getRequest("/metrics?" + QByteArray(4100, 'a')) << 414 << QByteArray();
}

void TestServizioMetrics::operatorsPagesAnswer()
{
    QFETCH(QByteArray, request);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    const auto service = startService();
    QVERIFY(service->metricsPort() != 0);
    const QByteArray reply = RawConnections::exchange(service->metricsPort(), request);
    QVERIFY2(reply.startsWith("HTTP/1.1 " + QByteArray::number(status) + ' '), reply.left(200).constData());
    QVERIFY(reply.contains(body));
}

void TestServizioMetrics::operatorsListenerIsBounded_data()
{
    QTest::addColumn<int>("connections");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<int>("closed");
    QTest::addColumn<int>("withinMs");
    QTest::newRow("beyond 8 at once: closed at once") << 12 << QByteArray() << 4 << 2000;
    QTest::newRow("a head that never ends: closed in time") << 1 << QByteArray("GET /metrics HTTP/1.1\r\nX: ") << 1
                                                            << 9000;
}

void TestServizioMetrics::operatorsListenerIsBounded()
{
    QFETCH(int, connections);
    QFETCH(QByteArray, sent);
    QFETCH(int, closed);
    QFETCH(int, withinMs);
    const auto service = startService();
    QVERIFY(service->metricsPort() != 0);
    RawConnections raw;
    QCOMPARE(raw.open(service->metricsPort(), connections, connections), connections);
    raw.sendAll(sent);
    QCOMPARE(raw.closedWithin(withinMs), closed);
    raw.closeAll();
    QTRY_COMPARE(ServiceProcess::get(service->metricsPort(), "/healthz").status, 200); // and it serves again
}

void TestServizioMetrics::prometheusReadsTheExposition()
{
    const auto service = startService({u"--put-limit"_s, u"0"_s});
    QVERIFY(service->metricsPort() != 0);
    for (const QString &nick : {u"a"_s, u"b"_s, u"c"_s})
        QVERIFY(RawConnections::exchange(service->port(), put(nick)).startsWith("HTTP/1.1 200 "));
    QProcess promtool;
    promtool.start(u"promtool"_s, {u"check"_s, u"metrics"_s});
    promtool.write(ServiceProcess::get(service->metricsPort(), "/metrics").body);
    promtool.closeWriteChannel();
    QVERIFY2(promtool.waitForFinished(30000) && promtool.exitCode() == 0, promtool.readAll().constData());

    // A real Prometheus, loading the shipped rules, scrapes the instance every second.
    QTemporaryDir dir;
    const quint16 port = TestHttpServer::closedPort();
    QFile config(dir.filePath(u"prometheus.yml"_s));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write("global: {scrape_interval: 1s, evaluation_interval: 1s}\nrule_files: ['" DEPLOY_DIR
                 "/prometheus/ciarla-servizio-rules.yml']\nscrape_configs:\n  - job_name: ciarla-servizio\n"
                 "    static_configs: [{targets: ['127.0.0.1:" + QByteArray::number(service->metricsPort()) + "']}]\n");
    config.close();
    QProcess prometheus;
    prometheus.setProcessChannelMode(QProcess::MergedChannels);
    prometheus.start(u"prometheus"_s, {u"--config.file="_s + config.fileName(), u"--storage.tsdb.path="_s + dir.path(),
                                       u"--web.listen-address=127.0.0.1:%1"_s.arg(port)});
    QVERIFY2(prometheus.waitForStarted(), "prometheus (Debian's prometheus package) did not start");
    const auto stored = [port] {
        const QJsonArray result = QJsonDocument::fromJson(
            ServiceProcess::get(port, "/api/v1/query?query=ciarla_messages_stored_total").body)["data"]["result"].toArray();
        return result.isEmpty() ? QString() : result.first()["value"].toArray().last().toString();
    };
    QTRY_COMPARE_WITH_TIMEOUT(stored(), u"3"_s, waitMs);
    prometheus.terminate();
    QVERIFY2(prometheus.waitForFinished(10000), "prometheus did not stop");
    QVERIFY2(!prometheus.readAll().contains("level=error"), "the rules and the scrapes load without errors");
}

void TestServizioMetrics::readinessFollowsTheDatabase()
{
    PostgresCluster cluster;
    QVERIFY2(cluster.start(), qPrintable(u"PostgreSQL did not start: "_s + cluster.error()));
    const auto service = startService({}, cluster.uri());
    QVERIFY(service->metricsPort() != 0);
    const quint16 port = service->metricsPort();
    const auto state = [port] {
        return QList<int>{ServiceProcess::get(port, "/readyz").status, ServiceProcess::get(port, "/healthz").status,
                          int(scrape(port).value("ciarla_database_up", -1))};
    };
    QTRY_COMPARE_WITH_TIMEOUT(state(), (QList<int>{200, 200, 1}), waitMs);
    QVERIFY2(cluster.stop(), qPrintable(cluster.error()));
    QTRY_COMPARE_WITH_TIMEOUT(state(), (QList<int>{503, 200, 0}), waitMs);
    const ServiceProcess::Reply refused = ServiceProcess::postMessage(service->port(), "stanza1", u"a"_s, u"perso"_s);
    QCOMPARE(refused.status, 503);
    QVERIFY(!refused.json()[u"error"_s].toString().isEmpty());
    QVERIFY2(cluster.start(), qPrintable(cluster.error()));
    QTRY_COMPARE_WITH_TIMEOUT(state(), (QList<int>{200, 200, 1}), waitMs);
    const qint64 after = ServiceProcess::post(service->port(), "stanza1", u"a"_s, u"dopo"_s);
    QVERIFY(after > 0);
    // The reader's session died with the server: its first read is answered all the same.
    QCOMPARE(service->get("/api/v1/rooms/stanza1/messages").ids(), QList<qint64>{after});
}

QTEST_GUILESS_MAIN(TestServizioMetrics)
#include "tst_ServizioMetrics.moc"
