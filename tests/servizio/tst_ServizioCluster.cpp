// Several ciarla-servizio instances over one real PostgreSQL 15, alone and behind
// nginx: one service whatever instance a client reaches, and nothing acknowledged lost.
#include "NginxProxy.h"
#include "PollPage.h"
#include "PostgresCluster.h"
#include "ServiceProcess.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
const QString success = u"<TITLE>MESSAGGIO INVIATO</TITLE>"_s;
const QStringList rooms = {u"msgchat"_s, u"msgchat1"_s};
constexpr int waitMs = 15000; // how long another instance may take to show a put, at most

QString pollPage(const QString &room) { return u"get"_s + room + u".asp"_s; }
QString putPage(const QString &room) { return u"put"_s + room + u".asp"_s; }
QString key(const QString &room) { return room == u"msgchat"_s ? u"stanza0"_s : u"stanza1"_s; }
} // namespace

class TestServizioCluster : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void putsOfTwoInstancesFormOneRoom_data();
    void putsOfTwoInstancesFormOneRoom();
    void faultsLoseNothingAcknowledged_data();
    void faultsLoseNothingAcknowledged();
    void laterSchemaIsLeftAlone();
    void clientsBehindNginx();

private:
    // Instances on the test cluster; false when one did not start.
    bool startInstances(int count, const QStringList &options = {u"--put-limit"_s, u"0"_s});
    // The room's messages in the database's order.
    QStringList stored(const QString &room);
    bool sent(int instance, const QString &room, const QString &message, const QByteArray &headers = {}) const;

    PostgresCluster m_cluster;
    std::vector<std::unique_ptr<ServiceProcess>> m_instances;
};

void TestServizioCluster::initTestCase()
{
    QVERIFY2(m_cluster.start(), qPrintable(u"PostgreSQL did not start: "_s + m_cluster.error()));
}

void TestServizioCluster::init()
{
    QVERIFY2(m_cluster.query(u"DROP SCHEMA public CASCADE; CREATE SCHEMA public"_s), qPrintable(m_cluster.error()));
}

void TestServizioCluster::cleanup()
{
    m_instances.clear();
    if (!m_cluster.start() && !m_cluster.query(u"SELECT 1"_s))
        qWarning("PostgreSQL is down: %s", qPrintable(m_cluster.error()));
}

bool TestServizioCluster::startInstances(int count, const QStringList &options)
{
    m_instances.clear();
    for (int i = 0; i < count; ++i) {
        m_instances.push_back(std::make_unique<ServiceProcess>(m_cluster.uri(), options));
        if (!m_instances.back()->start()) {
            qWarning("instance %d did not start: %s", i, m_instances.back()->errorOutput().constData());
            return false;
        }
    }
    return true;
}

QStringList TestServizioCluster::stored(const QString &room)
{
    const auto rows =
        m_cluster.query(u"SELECT testo FROM messaggi WHERE stanza = '%1' ORDER BY id"_s.arg(key(room)));
    return rows ? QString::fromUtf8(*rows).split(u'\n', Qt::SkipEmptyParts) : QStringList{u"(unreadable)"_s};
}

bool TestServizioCluster::sent(int instance, const QString &room, const QString &message,
                               const QByteArray &headers) const
{
    const auto target = ServiceProcess::putTarget(putPage(room), u"anna"_s, message);
    return m_instances.at(instance)->get(target, headers).text().contains(success);
}

void TestServizioCluster::putsOfTwoInstancesFormOneRoom_data()
{
    QTest::addColumn<int>("roomSize");
    QTest::newRow("every put kept") << 1000;
    QTest::newRow("rooms trimmed") << 30;
}

void TestServizioCluster::putsOfTwoInstancesFormOneRoom()
{
    QFETCH(int, roomSize);
    QVERIFY(startInstances(2, {u"--put-limit"_s, u"0"_s, u"--room-size"_s, QString::number(roomSize)}));
    QVERIFY(sent(0, rooms.at(0), u"primo"_s));
    QTRY_COMPARE_WITH_TIMEOUT(PollPage::fetch(m_instances.at(1)->port(), pollPage(rooms.at(0))).messages(),
                              QStringList{u"primo"_s}, waitMs);

    // 200 puts at once, spread over both instances and both rooms.
    QNetworkAccessManager network;
    QSet<QString> acknowledged;
    int answered = 0;
    for (int i = 0; i < 200; ++i) {
        const QString message = u"m%1"_s.arg(i, 3, 10, QChar(u'0'));
        const QUrl url(u"http://127.0.0.1:%1"_s.arg(m_instances.at(i % 2)->port())
                       + QString::fromLatin1(ServiceProcess::putTarget(putPage(rooms.at(i / 2 % 2)), u"anna"_s,
                                                                       message)));
        QNetworkReply *reply = network.get(QNetworkRequest(url));
        connect(reply, &QNetworkReply::finished, this, [&, reply, message] {
            ++answered;
            if (reply->readAll().contains(success.toLatin1()))
                acknowledged.insert(message);
            reply->deleteLater();
        });
    }
    QTRY_COMPARE_WITH_TIMEOUT(answered, 200, 60000);
    QCOMPARE(acknowledged.size(), 200);

    for (const QString &room : rooms) {
        const QStringList inDatabase = stored(room);
        QCOMPARE(inDatabase.size(), std::min(roomSize, room == rooms.at(0) ? 101 : 100));
        QCOMPARE(QSet<QString>(inDatabase.cbegin(), inDatabase.cend()).size(), inDatabase.size());
        if (roomSize == 1000) {
            QStringList expected = inDatabase;
            expected.removeOne(u"primo"_s);
            QCOMPARE(QSet<QString>(expected.cbegin(), expected.cend()).subtract(acknowledged).size(), 0);
        }
        // Both instances show the database's order.
        for (const auto &instance : m_instances)
            QTRY_COMPARE_WITH_TIMEOUT(PollPage::fetch(instance->port(), pollPage(room)).messages(), inDatabase,
                                      waitMs);
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
        QVERIFY(sent(i % 2, rooms.at(0), u"prima %1"_s.arg(i)));
        acknowledged.append(u"prima %1"_s.arg(i));
    }
    const int survivor = databaseStops ? 0 : 1;
    QTRY_COMPARE_WITH_TIMEOUT(PollPage::fetch(m_instances.at(survivor)->port(), pollPage(rooms.at(0))).messages(),
                              acknowledged, waitMs);
    if (!databaseStops) {
        m_instances.at(0)->killAbruptly();
    } else {
        QVERIFY2(m_cluster.stop(), qPrintable(m_cluster.error()));
        for (const auto &instance : m_instances) {
            const ServiceProcess::Reply refused = instance->put(putPage(rooms.at(0)), u"anna"_s, u"nel vuoto"_s);
            QCOMPARE(refused.status, 503);
            QVERIFY(!refused.text().contains(success));
            // Polls keep the page they had.
            QCOMPARE(PollPage::fetch(instance->port(), pollPage(rooms.at(0))).messages(), acknowledged);
        }
        QVERIFY2(m_cluster.start(), qPrintable(m_cluster.error()));
    }
    // The survivors take puts again by themselves; each refused try stores nothing.
    bool accepted = false;
    for (int attempt = 0; attempt < waitMs / 250 && !accepted; ++attempt) {
        accepted = sent(survivor, rooms.at(0), u"dopo"_s);
        if (!accepted)
            QTest::qWait(250);
    }
    QVERIFY(accepted);
    acknowledged.append(u"dopo"_s);
    QCOMPARE(stored(rooms.at(0)), acknowledged);
}

void TestServizioCluster::laterSchemaIsLeftAlone()
{
    QVERIFY(startInstances(1));
    QVERIFY(sent(0, rooms.at(0), u"scritto"_s));
    m_instances.clear();
    QVERIFY(m_cluster.query(u"UPDATE versione_schema SET versione = 99"_s));

    ServiceProcess later(m_cluster.uri());
    QVERIFY(!later.start());
    QVERIFY2(later.errorOutput().contains("schema 99"), "the refusal gives the reason");
    QCOMPARE(m_cluster.query(u"SELECT versione FROM versione_schema"_s), QByteArray("99\n"));
    QCOMPARE(stored(rooms.at(0)), QStringList{u"scritto"_s});
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

    const auto target = ServiceProcess::putTarget(putPage(rooms.at(0)), u"anna"_s, u"da nginx"_s);
    QVERIFY(ServiceProcess::get(nginx.port(), target, forged).text().contains(success));
    // Straight to the instances, forged: ignored, and counted against the sender across both.
    QVERIFY(sent(0, rooms.at(0), u"diretto 0"_s, forged));
    QVERIFY(sent(1, rooms.at(0), u"diretto 1"_s, forged));
    QCOMPARE(m_instances.at(1)->put(putPage(rooms.at(0)), u"anna"_s, u"troppi"_s).status, 429);
    QCOMPARE(ServiceProcess::get(nginx.port(), target, forged).status, 429);

    const QStringList acknowledged{u"da nginx"_s, u"diretto 0"_s, u"diretto 1"_s};
    for (int i = 0; i < 2; ++i) { // through nginx, once to each instance
        QTRY_COMPARE_WITH_TIMEOUT(PollPage::fetch(nginx.port(), pollPage(rooms.at(0))).messages(), acknowledged,
                                  waitMs);
        const PollPage page = PollPage::fetch(nginx.port(), pollPage(rooms.at(0)));
        for (const PollPage::Record &record : page.records)
            QCOMPARE(record.address, u"127.0.0.1"_s);
    }
    // The request log names the client too, not the proxy.
    const QByteArray logged = m_instances.at(0)->logUntil("/getmsgchat");
    QVERIFY2(logged.contains(" 127.0.0.1 ") && !logged.contains(" 127.0.0.2 "), logged.constData());
}

QTEST_GUILESS_MAIN(TestServizioCluster)
#include "tst_ServizioCluster.moc"
