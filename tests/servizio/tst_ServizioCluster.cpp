// Two ciarla-servizio instances over one real PostgreSQL 15, alone and behind
// nginx: one service whatever instance a client reaches, and nothing acknowledged lost.
#include "EventStreamClient.h"
#include "NginxProxy.h"
#include "PgFaultProxy.h"
#include "PostgresCluster.h"
#include "ServiceProcess.h"

#include <QtTest>
#include <csignal>
#include <future>

using namespace Qt::StringLiterals;

namespace {
const QByteArray success = "<TITLE>MESSAGGIO INVIATO</TITLE>";
constexpr int waitMs = 30000; // how long another instance may take to show a put on a loaded machine, at most
} // namespace

class TestServizioCluster : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void putsOfTwoInstancesFormOneRoom_data();
    void putsOfTwoInstancesFormOneRoom();
    void faultsLoseNothingAcknowledged_data();
    void faultsLoseNothingAcknowledged();
    void laterSchemaIsLeftAlone();
    void clientsBehindNginx();
    void eventsReachEveryInstance();
    void putIsNeverRepeatedByNginx();
    void lostSessionIsAnsweredTruthfully_data();
    void lostSessionIsAnsweredTruthfully();
    void frozenInstanceHoldsNoRoom();
    void hungDatabaseRefusesPuts();
    void fullReadQueueRefusesReads();

private:
    // Instances on the test cluster, or on `database`; false when one did not start.
    bool startInstances(int count, const QStringList &options = {u"--put-limit"_s, u"0"_s},
                        const QString &database = {});
    // Sent again while refused, until accepted.
    bool sentOnceAccepted(int instance, const QString &message)
    {
        bool accepted = false;
        for (int attempt = 0; attempt < waitMs / 250 && !(accepted = sent(instance, message)); ++attempt)
            QTest::qWait(250);
        return accepted;
    }
    // Instance 0 reaches the database through `relay`, the next `direct` ones straight.
    bool startBehind(PgFaultProxy &relay, int direct)
    {
        return relay.start() && startInstances(1, {u"--put-limit"_s, u"0"_s}, relay.uri()) && startInstances(direct);
    }
    // The put's status, and in `ms` how long its answer took.
    int timedPut(int instance, int room, const QString &message, qint64 *ms) const
    {
        QElapsedTimer clock;
        clock.start();
        const int status = m_instances.at(instance)->get(putTarget(room, message)).status;
        *ms = clock.elapsed();
        return status;
    }
    int count(const QString &message) { return int(stored(1).count(message)); }
    QStringList stored(int room); // in the database's order
    static QStringList shown(quint16 port, int room)
    {
        return ServiceProcess::get(port, "/getmsgchat" + QByteArray::number(room) + ".asp").messages();
    }
    static QByteArray putTarget(int room, const QString &message)
    {
        return ServiceProcess::putTarget(u"putmsgchat%1.asp"_s.arg(room), u"anna"_s, message);
    }
    bool sent(int instance, const QString &message, const QByteArray &headers = {}) const
    {
        return m_instances.at(instance)->get(putTarget(1, message), headers).body.contains(success);
    }

    // Whether the server's end of the session from `clientPort` holds bytes it has not read.
    bool unread(quint16 clientPort) const
    {
        QFile table(u"/proc/net/tcp"_s);
        const QByteArray ends = QString::asprintf("0100007F:%04X 0100007F:%04X", QUrl(m_cluster.uri()).port(),
                                                  clientPort).toLatin1();
        for (const QByteArray &line : table.open(QIODevice::ReadOnly) ? table.readAll().split('\n') : QByteArrayList())
            if (line.contains(ends))
                return line.simplified().split(' ').value(4).split(':').value(1).toInt(nullptr, 16) > 0;
        return false;
    }
    PostgresCluster m_cluster;
    std::vector<std::unique_ptr<ServiceProcess>> m_instances;
};

void TestServizioCluster::initTestCase()
{
    QVERIFY2(m_cluster.start(), qPrintable(u"PostgreSQL did not start: "_s + m_cluster.error()));
}

void TestServizioCluster::init()
{
    m_instances.clear();
    m_cluster.signalAll(SIGCONT); // a test failed while the database was stopped
    if (!m_cluster.query(u"SELECT 1"_s)) // a test failed while the database was down
        m_cluster.start();
    QVERIFY2(m_cluster.query(u"DROP SCHEMA public CASCADE; CREATE SCHEMA public"_s), qPrintable(m_cluster.error()));
}

bool TestServizioCluster::startInstances(int count, const QStringList &options, const QString &database)
{
    for (int i = 0; i < count; ++i) {
        m_instances.push_back(std::make_unique<ServiceProcess>(database.isEmpty() ? m_cluster.uri() : database, options));
        if (!m_instances.back()->start()) {
            qWarning("instance %d did not start: %s", i, m_instances.back()->errorOutput().constData());
            return false;
        }
    }
    return true;
}

QStringList TestServizioCluster::stored(int room)
{
    const auto rows = m_cluster.query(u"SELECT testo FROM messaggi WHERE stanza = 'stanza%1' ORDER BY id"_s.arg(room));
    return rows ? QString::fromUtf8(*rows).split(u'\n', Qt::SkipEmptyParts) : QStringList{u"(unreadable)"_s};
}

void TestServizioCluster::putsOfTwoInstancesFormOneRoom_data()
{
    QTest::addColumn<int>("roomSize");
    QTest::newRow("pages show every put") << 1000;
    QTest::newRow("pages show the newest") << 30;
}

void TestServizioCluster::putsOfTwoInstancesFormOneRoom()
{
    QFETCH(int, roomSize);
    QVERIFY(startInstances(2, {u"--put-limit"_s, u"0"_s, u"--max-per-address"_s, u"200"_s, u"--room-size"_s,
                               QString::number(roomSize)}));
    QVERIFY(sent(0, u"primo"_s));
    QTRY_COMPARE_WITH_TIMEOUT(shown(m_instances.at(1)->port(), 1), QStringList{u"primo"_s}, waitMs);
    const QByteArray log = m_instances.at(1)->logUntil("/getmsgchat1.asp"); // started on a ready schema
    QVERIFY2(!log.contains("NOTICE"), log.constData());

    // 200 puts at once, spread over both instances and rooms 1 and 2.
    QStringList messages;
    std::vector<std::future<bool>> puts;
    for (int i = 0; i < 200; ++i) {
        messages.append(u"m%1"_s.arg(i, 3, 10, QChar(u'0')));
        puts.push_back(std::async(std::launch::async, [port = m_instances.at(i % 2)->port(),
                                                       target = putTarget(1 + i / 2 % 2, messages.last())] {
            return ServiceProcess::get(port, target).body.contains(success);
        }));
    }
    for (std::future<bool> &put : puts)
        QVERIFY(put.get());
    for (const int room : {1, 2}) {
        const QStringList inDatabase = stored(room);
        QCOMPARE(inDatabase.size(), room == 1 ? 101 : 100); // history is kept, whatever the pages show
        QCOMPARE(QSet<QString>(inDatabase.cbegin(), inDatabase.cend()).size(), inDatabase.size()); // each once
        for (const QString &message : inDatabase)
            QVERIFY(message == u"primo"_s || messages.contains(message));
        const QStringList newest = inDatabase.mid(std::max(0, int(inDatabase.size()) - roomSize));
        for (const auto &instance : m_instances) // both show the database's order
            QTRY_COMPARE_WITH_TIMEOUT(shown(instance->port(), room), newest, waitMs);
    }
}

void TestServizioCluster::faultsLoseNothingAcknowledged_data()
{
    QTest::addColumn<bool>("databaseStops"); // else instance 0 is killed with SIGKILL
    QTest::newRow("kill -9 of an instance") << false;
    QTest::newRow("database stopped and started") << true;
}

void TestServizioCluster::faultsLoseNothingAcknowledged()
{
    QFETCH(bool, databaseStops);
    QVERIFY(startInstances(2));
    QStringList acknowledged;
    for (int i = 0; i < 10; ++i) {
        acknowledged.append(u"prima %1"_s.arg(i));
        QVERIFY(sent(i % 2, acknowledged.last()));
    }
    const int survivor = databaseStops ? 0 : 1;
    QTRY_COMPARE_WITH_TIMEOUT(shown(m_instances.at(survivor)->port(), 1), acknowledged, waitMs);
    if (databaseStops) {
        QVERIFY2(m_cluster.stop(), qPrintable(m_cluster.error()));
        for (const auto &instance : m_instances) {
            QCOMPARE(instance->get(putTarget(1, u"nel vuoto"_s)).status, 503);
            QCOMPARE(shown(instance->port(), 1), acknowledged); // polls keep the page they had
        }
        QVERIFY2(m_cluster.start(), qPrintable(m_cluster.error()));
    } else {
        m_instances.at(0)->killAbruptly();
    }
    // The survivors take puts again by themselves; each refused try stores nothing.
    QVERIFY(sentOnceAccepted(survivor, u"dopo"_s));
    QCOMPARE(stored(1), acknowledged << u"dopo"_s);
}

void TestServizioCluster::laterSchemaIsLeftAlone()
{
    QVERIFY(startInstances(1));
    QVERIFY(sent(0, u"scritto"_s));
    m_instances.clear();
    QVERIFY(m_cluster.query(u"UPDATE versione_schema SET versione = 99"_s));
    ServiceProcess later(m_cluster.uri());
    QVERIFY(!later.start());
    QVERIFY2(later.errorOutput().contains("schema 99"), "the refusal gives the reason");
    QCOMPARE(m_cluster.query(u"SELECT versione FROM versione_schema"_s), QByteArray("99\n"));
    QCOMPARE(stored(1), QStringList{u"scritto"_s});
}

void TestServizioCluster::clientsBehindNginx()
{
    // nginx reaches the instances from 127.0.0.2; the test's client is 127.0.0.1.
    QVERIFY(startInstances(2, {u"--trusted-proxy"_s, u"127.0.0.2"_s, u"--put-limit"_s, u"3"_s, u"--put-window"_s,
                               u"600"_s}));
    NginxProxy nginx;
    QVERIFY2(nginx.start({m_instances.at(0)->port(), m_instances.at(1)->port()}),
             qPrintable(u"nginx did not start: "_s + nginx.error()));
    const QByteArray forged = "X-Forwarded-For: 203.0.113.9\r\n";
    QVERIFY(ServiceProcess::get(nginx.port(), putTarget(1, u"da nginx"_s), forged).body.contains(success));
    // Straight to the instances, forged: ignored, and counted against the sender across both.
    QVERIFY(sent(0, u"diretto 0"_s, forged));
    QVERIFY(sent(1, u"diretto 1"_s, forged));
    QCOMPARE(m_instances.at(1)->get(putTarget(1, u"troppi"_s)).status, 429);
    QCOMPARE(ServiceProcess::get(nginx.port(), putTarget(1, u"troppi"_s), forged).status, 429);

    // Each instance catches up in its own time; nginx may pick either, so both are waited for first.
    const QStringList all{u"da nginx"_s, u"diretto 0"_s, u"diretto 1"_s};
    for (const auto &instance : m_instances)
        QTRY_COMPARE_WITH_TIMEOUT(shown(instance->port(), 1), all, waitMs);
    for (int i = 0; i < 2; ++i) // through nginx, once to each instance
        QCOMPARE(ServiceProcess::get(nginx.port(), "/getmsgchat1.asp").messages(), all);
    QCOMPARE(m_cluster.query(u"SELECT DISTINCT indirizzo FROM messaggi"_s), QByteArray("127.0.0.1\n"));
    // The request log names the client too, not the proxy.
    const QByteArray logged = m_instances.at(0)->logUntil("/getmsgchat");
    QVERIFY2(logged.contains(" 127.0.0.1 ") && !logged.contains(" 127.0.0.2 "), logged.constData());
}

void TestServizioCluster::eventsReachEveryInstance()
{
    QVERIFY(startInstances(2, {u"--put-limit"_s, u"0"_s, u"--max-per-address"_s, u"200"_s}));
    NginxProxy nginx;
    QVERIFY2(nginx.start({m_instances.at(0)->port(), m_instances.at(1)->port()}),
             qPrintable(u"nginx did not start: "_s + nginx.error()));
    const QByteArray path = "/api/v1/rooms/stanza1/events";
    EventStreamClient other;
    EventStreamClient proxied;
    QVERIFY(!other.open(m_instances.at(1)->port(), path).isEmpty());
    QVERIFY(proxied.open(nginx.port(), path).contains("text/event-stream"));
    const qint64 first = ServiceProcess::post(m_instances.at(0)->port(), "stanza1", u"anna"_s, u"primo"_s);
    QVERIFY(first > 0);
    QCOMPARE(other.next(1500), first);
    QCOMPARE(proxied.next(1500), first);

    // 40 posts at once, half on each instance: one order for both, and for the stream.
    std::vector<std::future<qint64>> posts;
    for (int i = 0; i < 40; ++i) {
        posts.push_back(std::async(std::launch::async, [port = m_instances.at(i % 2)->port(), i] {
            return ServiceProcess::post(port, "stanza1", u"anna"_s, u"m%1"_s.arg(i));
        }));
    }
    QSet<qint64> ids{first};
    for (auto &post : posts)
        ids.insert(post.get());
    QCOMPARE(ids.size(), 41);
    QVERIFY(!ids.contains(0));
    QList<qint64> order;
    for (const auto &instance : m_instances) {
        const QList<qint64> listed = instance->get("/api/v1/rooms/stanza1/messages?limit=100").ids();
        QVERIFY(std::is_sorted(listed.cbegin(), listed.cend()));
        QCOMPARE(QSet<qint64>(listed.cbegin(), listed.cend()), ids);
        order = listed;
    }
    QCOMPARE(first, order.first());
    QCOMPARE(other.ids(40, waitMs), order.mid(1));
}

void TestServizioCluster::putIsNeverRepeatedByNginx()
{
    // Instance 0 reaches the database through the relay, which keeps its COMMIT's answer from it.
    PgFaultProxy relay(QUrl(m_cluster.uri()).port());
    QVERIFY(startBehind(relay, 1));
    NginxProxy nginx;
    QVERIFY2(nginx.start({m_instances.at(0)->port(), m_instances.at(1)->port()}), qPrintable(nginx.error()));
    // nginx takes the instances in turn: a put or two finds instance 0.
    for (int attempt = 0; attempt < 4 && !relay.struck(); ++attempt) {
        const QString message = u"una volta %1"_s.arg(attempt);
        relay.arm(true, false);
        auto put = std::async(std::launch::async, [&] { return ServiceProcess::get(nginx.port(), putTarget(1, message)); });
        QTRY_VERIFY_WITH_TIMEOUT(relay.struck() || put.wait_for(std::chrono::seconds(0)) == std::future_status::ready,
                                 waitMs);
        if (relay.struck()) // committed; the instance dies before it can say so
            m_instances.at(0)->killAbruptly();
        const ServiceProcess::Reply reply = put.get();
        QCOMPARE(reply.body.contains(success), !relay.struck());
        QCOMPARE(count(message), 1);
    }
    QVERIFY(relay.struck());
}

void TestServizioCluster::lostSessionIsAnsweredTruthfully_data()
{
    QTest::addColumn<bool>("terminated"); // by an operator, before the put; else the relay's fault
    QTest::addColumn<bool>("commitPasses");
    QTest::addColumn<bool>("stored");
    QTest::newRow("session ended before the put") << true << false << true;
    QTest::newRow("lost with the COMMIT") << false << false << false;
    QTest::newRow("lost with the COMMIT's answer") << false << true << true;
}

void TestServizioCluster::lostSessionIsAnsweredTruthfully()
{
    QFETCH(bool, terminated);
    QFETCH(bool, commitPasses);
    QFETCH(bool, stored);
    PgFaultProxy relay(QUrl(m_cluster.uri()).port());
    QVERIFY(startBehind(relay, 0));
    QVERIFY(sent(0, u"prima"_s));
    if (terminated) {
        QVERIFY(m_cluster.query(u"SELECT pg_terminate_backend(pid) FROM pg_stat_activity"
                                " WHERE backend_type = 'client backend' AND pid <> pg_backend_pid()"_s));
    } else {
        relay.arm(commitPasses, true);
    }
    const ServiceProcess::Reply reply = m_instances.at(0)->get(putTarget(1, u"dopo"_s));
    QCOMPARE(reply.status, stored ? 200 : 503);
    QCOMPARE(reply.body.contains(success), stored);
    QCOMPARE(relay.struck(), !terminated);
    QCOMPARE(count(u"dopo"_s), int(stored));
}

void TestServizioCluster::frozenInstanceHoldsNoRoom()
{
    // Instance 0's put holds room 1's lock, its COMMIT kept from the server; then the instance freezes.
    PgFaultProxy relay(QUrl(m_cluster.uri()).port());
    QVERIFY(startBehind(relay, 1));
    relay.arm(false, false);
    auto frozenPut = std::async(std::launch::async, [port = m_instances.at(0)->port()] {
        return ServiceProcess::get(port, putTarget(1, u"congelato"_s));
    });
    QTRY_COMPARE_WITH_TIMEOUT(m_cluster.query(u"SELECT count(*) FROM pg_stat_activity"
                                              " WHERE state = 'idle in transaction'"_s),
                              QByteArray("1\n"), waitMs);
    ::kill(pid_t(m_instances.at(0)->pid()), SIGSTOP);
    qint64 ms = 0;
    QCOMPARE(timedPut(1, 2, u"altra stanza"_s, &ms), 200);
    QVERIFY2(ms < 1000, qPrintable(u"%1 ms"_s.arg(ms)));
    QVERIFY(QList<int>({200, 503}).contains(timedPut(1, 1, u"stessa stanza"_s, &ms)));
    QVERIFY2(ms < 3500, qPrintable(u"%1 ms"_s.arg(ms)));
    // The frozen session's transaction ends by itself, its lock with it.
    QVERIFY(sentOnceAccepted(1, u"libera"_s));
    QVERIFY(sent(1, u"ancora"_s));
    ::kill(pid_t(m_instances.at(0)->pid()), SIGCONT);
    QCOMPARE(frozenPut.get().status, 503); // and true: it was never committed
    QCOMPARE(count(u"congelato"_s), 0);
}

void TestServizioCluster::hungDatabaseRefusesPuts()
{
    QVERIFY(startInstances(1));
    QVERIFY(sent(0, u"prima"_s));
    QVERIFY(m_cluster.signalAll(SIGSTOP));
    qint64 ms = 0;
    QCOMPARE(timedPut(0, 1, u"sospeso"_s, &ms), 503);
    QVERIFY2(ms < 6000, qPrintable(u"%1 ms"_s.arg(ms)));
    QCOMPARE(shown(m_instances.at(0)->port(), 1), QStringList{u"prima"_s}); // polls go on
    QVERIFY(m_cluster.signalAll(SIGCONT));
    QVERIFY(sentOnceAccepted(0, u"dopo"_s));
    QCOMPARE(stored(1), (QStringList{u"prima"_s, u"dopo"_s}));
}

void TestServizioCluster::fullReadQueueRefusesReads()
{
    QVERIFY(startInstances(1, {u"--read-queue"_s, u"2"_s}));
    const QByteArray history = "/api/v1/rooms/stanza1/messages";
    QCOMPARE(m_instances.at(0)->get(history).status, 200);
    // The reader's session, known by the query it ran last.
    const auto reader = m_cluster.query(u"SELECT client_port FROM pg_stat_activity"
                                        " WHERE query LIKE '%AS pagina%' AND pid <> pg_backend_pid()"_s);
    QVERIFY(reader && reader->count('\n') == 1);
    std::vector<std::future<ServiceProcess::Reply>> replies;
    const auto resume = qScopeGuard([this] { m_cluster.signalAll(SIGCONT); });
    QVERIFY(m_cluster.signalAll(SIGSTOP));
    for (int i = 0; i < 6; ++i) {
        replies.push_back(std::async(std::launch::async, [port = m_instances.at(0)->port(), history] {
            return ServiceProcess::get(port, history);
        }));
        // The first is under way once its query waits at the stopped server: the next two queue, the rest are refused.
        QTRY_VERIFY_WITH_TIMEOUT(i > 0 || unread(reader->trimmed().toUShort()), waitMs);
    }
    QTRY_COMPARE_WITH_TIMEOUT(std::count_if(replies.begin(), replies.end(), [](const auto &reply) {
        return reply.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    }), 3, waitMs);
    QVERIFY(m_cluster.signalAll(SIGCONT));
    QList<int> statuses;
    for (auto &reply : replies) {
        const ServiceProcess::Reply answer = reply.get();
        statuses.append(answer.status);
        QVERIFY(answer.status == 200 || !answer.json()[u"error"_s].toString().isEmpty());
    }
    QCOMPARE(statuses.first(), 200); // the read under way was answered once the server went on
    std::sort(statuses.begin(), statuses.end());
    QCOMPARE(statuses, (QList<int>{200, 200, 200, 503, 503, 503})); // one under way, two queued, three refused
    QCOMPARE(m_instances.at(0)->get(history).status, 200);
}

QTEST_GUILESS_MAIN(TestServizioCluster)
#include "tst_ServizioCluster.moc"
