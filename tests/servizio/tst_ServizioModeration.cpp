// The operators' commands against the real ciarla-servizio, on an SQLite file and on
// two instances over a real PostgreSQL 15: what they hide and ban reaches the instances
// that did nothing themselves, and what they refuse is stored nowhere.
#include "EventStreamClient.h"
#include "PostgresCluster.h"
#include "ServiceProcess.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <pwd.h>
#include <sqlite3.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
constexpr int waitMs = 30000; // how long an instance may take on a loaded machine, at most
const QByteArray stream = "/api/v1/rooms/stanza1/events";

struct Run
{
    int status = -1;
    QList<QStringList> rows; // the lines of standard output, split at tabs
    QString error;
    QStringList column(int index) const
    {
        QStringList values;
        for (const QStringList &row : rows)
            values.append(row.value(index));
        return values;
    }
};

// The next hide event's id, messages that still arrive skipped; 0 when none came in time.
qint64 nextHidden(EventStreamClient &events)
{
    QByteArray data, name;
    while (events.next(waitMs, &data, &name) > 0 || !data.isEmpty()) {
        if (name == "hide")
            return QJsonDocument::fromJson(data)[u"id"_s].toInteger();
        data.clear();
    }
    return 0;
}
} // namespace

class TestServizioModeration : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data();
    void initTestCase();
    void init();
    void badArgumentsChangeNothing_data();
    void badArgumentsChangeNothing();
    void messagesAreListedAndFiltered_data();
    void messagesAreListedAndFiltered();
    void hiddenMessagesVanishEverywhere();
    void bansRefusePutsOnTheOtherInstance_data();
    void bansRefusePutsOnTheOtherInstance();
    void bansEndLiftAndAreAudited();
    void addressesAreErasedAndNeverShown();
    void moreThanABatchIsHiddenAtOnce();

private:
    void startInstances(const QStringList &extra = {});
    Run command(const QStringList &arguments) const;
    // Through the put page of room 1, or the API into `room`, from the client `from` behind the trusted proxy.
    ServiceProcess::Reply put(const QString &nick, const QString &text, const QByteArray &from, bool api = false,
                              int instance = 0, const QByteArray &room = "stanza1") const;
    qint64 posted(const QString &nick, const QString &text, const QByteArray &from,
                  const QByteArray &room = "stanza1") const
    {
        return QJsonDocument::fromJson(put(nick, text, from, true, 0, room).body)[u"id"_s].toInteger();
    }
    // Puts from the sender until the other instance refuses (or takes) them; false when it never does.
    bool reaches(const QString &nick, const QByteArray &from, int status) const;
    QStringList shown() const; // the other instance's poll page of room 1
    // Two messages of a troll and one of anna's in room 1, then `events` following it on the other
    // instance: the troll's ids; none when something failed.
    QList<qint64> trollThenSubscribe(EventStreamClient &events) const;
    quint16 other() const { return m_instances.back()->port(); }
    bool sql(const QString &statement); // run on the database straight

    PostgresCluster m_cluster;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_database;
    std::vector<std::unique_ptr<ServiceProcess>> m_instances;
};

void TestServizioModeration::initTestCase_data()
{
    QTest::addColumn<bool>("postgres");
    QTest::newRow("sqlite") << false;
    QTest::newRow("postgresql, two instances") << true;
}

void TestServizioModeration::initTestCase()
{
    QVERIFY2(m_cluster.start(), qPrintable(u"PostgreSQL did not start: "_s + m_cluster.error()));
}

void TestServizioModeration::init()
{
    QFETCH_GLOBAL(bool, postgres);
    m_instances.clear();
    m_dir = std::make_unique<QTemporaryDir>();
    m_database = postgres ? m_cluster.uri() : m_dir->filePath(u"chat.sqlite"_s);
    QVERIFY(!postgres || m_cluster.query(u"DROP SCHEMA public CASCADE; CREATE SCHEMA public"_s));
    startInstances();
}

void TestServizioModeration::startInstances(const QStringList &extra)
{
    QFETCH_GLOBAL(bool, postgres);
    m_instances.clear();
    for (int i = 0; i < (postgres ? 2 : 1); ++i) {
        m_instances.push_back(std::make_unique<ServiceProcess>(
            m_database, QStringList{u"--trusted-proxy"_s, u"127.0.0.1"_s, u"--put-limit"_s, u"0"_s} + extra));
        QVERIFY2(m_instances.back()->start(), m_instances.back()->errorOutput().constData());
    }
}

Run TestServizioModeration::command(const QStringList &arguments) const
{
    QProcess process;
    QStringList withDatabase = arguments;
    withDatabase.insert(1, u"--database"_s); // after the command, which comes first
    withDatabase.insert(2, m_database);
    process.start(QStringLiteral(SERVIZIO_PROGRAM), withDatabase);
    if (!process.waitForFinished(waitMs) || process.exitStatus() != QProcess::NormalExit)
        return {};
    Run run{process.exitCode(), {}, QString::fromUtf8(process.readAllStandardError())};
    for (const QString &line : QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts))
        run.rows.append(line.split(u'\t'));
    return run;
}

ServiceProcess::Reply TestServizioModeration::put(const QString &nick, const QString &text, const QByteArray &from,
                                                  bool api, int instance, const QByteArray &room) const
{
    const quint16 port = m_instances.at(size_t(instance))->port();
    const QByteArray forwarded = "X-Forwarded-For: " + from + "\r\n";
    if (!api)
        return ServiceProcess::get(port, ServiceProcess::putTarget(u"putmsgchat1.asp"_s, nick, text), forwarded);
    const QByteArray body = QJsonDocument(QJsonObject{{u"nick"_s, nick}, {u"text"_s, text}}).toJson();
    return ServiceProcess::exchange(port, "POST /api/v1/rooms/" + room + "/messages HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                                          "Content-Type: application/json\r\nConnection: close\r\n" + forwarded
                                        + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
}

bool TestServizioModeration::reaches(const QString &nick, const QByteArray &from, int status) const
{
    QElapsedTimer clock;
    clock.start();
    for (int probe = 0; !clock.hasExpired(waitMs); ++probe) {
        if (put(nick, u"prova %1"_s.arg(probe), from, false, int(m_instances.size()) - 1).status == status) {
            qInfo("status %d after %lld ms", status, clock.elapsed());
            return true;
        }
        QTest::qWait(50);
    }
    return false;
}

QStringList TestServizioModeration::shown() const
{
    return ServiceProcess::get(other(), "/getmsgchat1.asp").messages();
}

void TestServizioModeration::badArgumentsChangeNothing_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("named"); // in the reason
    QTest::newRow("ban of nobody") << QStringList{u"ban"_s} << u"--nick o --address"_s;
    QTest::newRow("ban of both") << QStringList{u"ban"_s, u"--nick"_s, u"a"_s, u"--address"_s, u"192.0.2.1"_s}
                                 << u"--nick o --address"_s;
    QTest::newRow("blank nick") << QStringList{u"ban"_s, u"--nick"_s, u" "_s} << u"--nick"_s;
    QTest::newRow("nick without value") << QStringList{u"ban"_s, u"--nick"_s} << u"valore"_s;
    QTest::newRow("octet over 255") << QStringList{u"ban"_s, u"--address"_s, u"203.0.113.256"_s} << u"203.0.113.256"_s;
    QTest::newRow("shorthand address") << QStringList{u"ban"_s, u"--address"_s, u"10.1"_s} << u"«10.1»"_s;
    QTest::newRow("IPv4 prefix 33") << QStringList{u"ban"_s, u"--address"_s, u"10.0.0.0/33"_s} << u"10.0.0.0/33"_s;
    QTest::newRow("unknown unit") << QStringList{u"ban"_s, u"--nick"_s, u"a"_s, u"--for"_s, u"7w"_s} << u"7w"_s;
    QTest::newRow("hide of nothing") << QStringList{u"hide"_s} << u"numeri"_s;
    QTest::newRow("hide of a word") << QStringList{u"hide"_s, u"1"_s, u"uno"_s} << u"uno"_s;
    QTest::newRow("two unbans") << QStringList{u"unban"_s, u"1"_s, u"2"_s} << u"uno solo"_s;
    QTest::newRow("limit 0") << QStringList{u"messages"_s, u"--limit"_s, u"0"_s} << u"--limit"_s;
    QTest::newRow("unknown room") << QStringList{u"messages"_s, u"--room"_s, u"cucina"_s} << u"cucina"_s;
    QTest::newRow("unknown option") << QStringList{u"bans"_s, u"--tutti"_s} << u"tutti"_s;
    QTest::newRow("unknown command") << QStringList{u"banna"_s} << u"banna"_s;
}

void TestServizioModeration::badArgumentsChangeNothing()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, named);
    const Run run = command(arguments);
    QCOMPARE(run.status, 2);
    QVERIFY2(run.error.contains(named), qPrintable(run.error));
    QVERIFY(run.rows.isEmpty());
    QVERIFY(command({u"audit"_s}).rows.isEmpty());
}

void TestServizioModeration::messagesAreListedAndFiltered_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("listed"); // texts, as written out
    const QString tabbed = u"due\\tcon \\\\ e\\na capo"_s;
    QTest::newRow("all") << QStringList{} << QStringList{u"uno"_s, tabbed, u"tre"_s, u"quattro"_s};
    QTest::newRow("newest two") << QStringList{u"--limit"_s, u"2"_s} << QStringList{u"tre"_s, u"quattro"_s};
    QTest::newRow("one room") << QStringList{u"--room"_s, u"stanza2"_s} << QStringList{tabbed};
    QTest::newRow("nick in any case") << QStringList{u"--nick"_s, u"anna"_s} << QStringList{u"uno"_s, u"tre"_s};
    QTest::newRow("IPv4 subnet") << QStringList{u"--address"_s, u"203.0.113.0/24"_s} << QStringList{u"uno"_s, tabbed};
    QTest::newRow("IPv6 address") << QStringList{u"--address"_s, u"2001:db8:1::5"_s} << QStringList{u"tre"_s};
    QTest::newRow("IPv6 subnet, nick") << QStringList{u"--address"_s, u"2001:db8::/32"_s, u"--nick"_s, u"ANNA"_s}
                                       << QStringList{u"tre"_s};
}

void TestServizioModeration::messagesAreListedAndFiltered()
{
    QFETCH(QStringList, options);
    QFETCH(QStringList, listed);
    QVERIFY(put(u"anna"_s, u"uno"_s, "203.0.113.5").status == 200);
    QVERIFY(posted(u"Bruno"_s, u"due\tcon \\ e\na capo"_s, "203.0.113.77", "stanza2") > 0);
    QVERIFY(put(u"ANNA"_s, u"tre"_s, "2001:db8:1::5").status == 200);
    QVERIFY(put(u"carla"_s, u"quattro"_s, "198.51.100.1").status == 200);
    const QHash<QString, QStringList> sent{{u"uno"_s, {u"stanza1"_s, u"203.0.113.5"_s, u"anna"_s}},
                                           {u"due\\tcon \\\\ e\\na capo"_s, {u"stanza2"_s, u"203.0.113.77"_s, u"Bruno"_s}},
                                           {u"tre"_s, {u"stanza1"_s, u"2001:db8:1::5"_s, u"ANNA"_s}},
                                           {u"quattro"_s, {u"stanza1"_s, u"198.51.100.1"_s, u"carla"_s}}};
    const Run run = command(QStringList{u"messages"_s} + options);
    QCOMPARE(run.status, 0);
    const QList<QStringList> &rows = run.rows;
    QCOMPARE(run.column(5), listed);
    static const QRegularExpression rfc3339(u"^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ$"_s);
    for (const QStringList &row : rows) {
        QCOMPARE(row.size(), 6);
        QVERIFY2(rfc3339.match(row.at(1)).hasMatch(), qPrintable(row.at(1)));
        QCOMPARE(row.mid(2, 3), sent.value(row.at(5)));
    }
    QVERIFY(std::is_sorted(rows.cbegin(), rows.cend(), [](const QStringList &a, const QStringList &b) {
        return a.at(0).toLongLong() < b.at(0).toLongLong();
    }));
}

QList<qint64> TestServizioModeration::trollThenSubscribe(EventStreamClient &events) const
{
    const QList<qint64> ids{posted(u"troll"_s, u"spam uno"_s, "2001:db8::9"),
                            posted(u"Troll"_s, u"spam due"_s, "2001:db8::9"), posted(u"anna"_s, u"ciao"_s, "192.0.2.1")};
    const bool subscribed = events.open(other(), stream).contains("text/event-stream");
    return subscribed && !ids.contains(0) ? ids.first(2) : QList<qint64>{};
}

void TestServizioModeration::hiddenMessagesVanishEverywhere()
{
    EventStreamClient events;
    const QList<qint64> troll = trollThenSubscribe(events);
    QCOMPARE(troll.size(), 2);
    QCOMPARE(command({u"hide"_s, QString::number(troll.at(0)), QString::number(troll.at(1))}).status, 0);
    for (const qint64 id : troll)
        QCOMPARE(nextHidden(events), id);
    QTRY_COMPARE_WITH_TIMEOUT(shown(), QStringList{u"ciao"_s}, waitMs);
    const QByteArray history = ServiceProcess::get(other(), "/api/v1/rooms/stanza1/messages").body;
    QCOMPARE(QJsonDocument::fromJson(history)[u"messages"_s].toArray().size(), 1);
    QVERIFY(ServiceProcess::get(other(), "/api/v1/search?q=spam").body.contains("\"messages\":[]"));

    // One unknown id: nothing is hidden.
    const Run unknown = command({u"hide"_s, QString::number(troll.at(1) + 1), u"999999"_s});
    QCOMPARE(unknown.status, 1);
    QVERIFY2(unknown.error.contains(u"999999"_s), qPrintable(unknown.error));
    QCOMPARE(command({u"audit"_s}).column(3),
             (QStringList{QString::number(troll.at(0)), QString::number(troll.at(1))}));
    QCOMPARE(shown(), QStringList{u"ciao"_s});
}

void TestServizioModeration::bansRefusePutsOnTheOtherInstance_data()
{
    QTest::addColumn<QStringList>("ban");
    QTest::addColumn<QString>("nick"); // banned; with a nick ban, "x" + nick is free
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("freeFrom");
    QTest::newRow("nick, any case") << QStringList{u"--nick"_s, u"Spammer"_s} << u" sPAMMER"_s
                                    << QByteArray("192.0.2.1") << QByteArray("192.0.2.1");
    QTest::newRow("IPv4 address") << QStringList{u"--address"_s, u"203.0.113.5"_s} << u"anna"_s
                                  << QByteArray("203.0.113.5") << QByteArray("203.0.113.6");
    QTest::newRow("IPv4 subnet") << QStringList{u"--address"_s, u"203.0.113.77/24"_s} << u"anna"_s
                                 << QByteArray("203.0.113.200") << QByteArray("203.0.114.1");
    QTest::newRow("IPv6 subnet") << QStringList{u"--address"_s, u"2001:db8:1::/48"_s} << u"anna"_s
                                 << QByteArray("2001:db8:1:ffff::1") << QByteArray("2001:db8:2::1");
    QTest::newRow("IPv6 address") << QStringList{u"--address"_s, u"2001:DB8:0::1"_s} << u"anna"_s
                                  << QByteArray("2001:db8::1") << QByteArray("2001:db8::2");
}

void TestServizioModeration::bansRefusePutsOnTheOtherInstance()
{
    QFETCH(QStringList, ban);
    QFETCH(QString, nick);
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, freeFrom);
    const Run banned = command(QStringList{u"ban"_s} + ban);
    QCOMPARE(banned.status, 0);
    const QString id = banned.column(0).value(0);
    QVERIFY(id.toLongLong() > 0);
    QVERIFY(reaches(nick, from, 403));
    const int last = int(m_instances.size()) - 1;
    const ServiceProcess::Reply page = put(nick, u"mai registrato"_s, from, false, last);
    QCOMPARE(page.status, 403);
    QVERIFY(page.text().contains(u"<TITLE>MESSAGGIO NON ACCETTATO</TITLE>"_s));
    const ServiceProcess::Reply api = put(nick, u"mai registrato"_s, from, true, last);
    QCOMPARE(api.status, 403);
    QVERIFY(!QJsonDocument::fromJson(api.body)[u"error"_s].toString().isEmpty());
    const QString freeNick = ban.first() == u"--nick"_s ? u"x"_s + nick : nick;
    QCOMPARE(put(freeNick, u"libero"_s, freeFrom, true, last).status, 201);
    QVERIFY(!command({u"messages"_s}).column(5).contains(u"mai registrato"_s));

    QCOMPARE(command({u"unban"_s, id}).status, 0);
    QVERIFY(reaches(nick, from, 200));
}

void TestServizioModeration::bansEndLiftAndAreAudited()
{
    EventStreamClient events;
    const QList<qint64> troll = trollThenSubscribe(events);
    QCOMPARE(troll.size(), 2);
    const Run forGood = command({u"ban"_s, u"--nick"_s, u"TROLL"_s, u"--hide-messages"_s, u"--reason"_s, u"spam\tdue"_s});
    const QString forGoodId = forGood.column(0).value(0);
    QCOMPARE(forGood.status, 0);
    QSet<qint64> hidden;
    for (int i = 0; i < 2; ++i)
        hidden.insert(nextHidden(events));
    QCOMPARE(hidden, QSet<qint64>(troll.cbegin(), troll.cend()));
    QTRY_COMPARE_WITH_TIMEOUT(shown(), QStringList{u"ciao"_s}, waitMs);

    const QString timedId = command({u"ban"_s, u"--address"_s, u"198.51.100.0/24"_s, u"--for"_s, u"6s"_s}).column(0).value(0);
    const Run bans = command({u"bans"_s});
    QCOMPARE(bans.column(0), (QStringList{forGoodId, timedId}));
    QCOMPARE(bans.rows.first(), (QStringList{forGoodId, u"nick"_s, u"TROLL"_s, u"sempre"_s, u"spam\\tdue"_s}));
    QCOMPARE(bans.rows.last().mid(1, 2), (QStringList{u"address"_s, u"198.51.100.0/24"_s}));
    QVERIFY(QDateTime::fromString(bans.rows.last().at(3), Qt::ISODate) > QDateTime::currentDateTimeUtc());
    QVERIFY(reaches(u"anna"_s, "198.51.100.7", 403));
    QVERIFY(reaches(u"anna"_s, "198.51.100.7", 200)); // it ends by itself
    QCOMPARE(command({u"bans"_s}).rows.size(), 1);
    QCOMPARE(command({u"unban"_s, timedId}).status, 1); // no longer in force
    QCOMPARE(command({u"unban"_s, forGoodId}).status, 0);
    QCOMPARE(command({u"unban"_s, forGoodId}).status, 1);

    const passwd *user = getpwuid(geteuid());
    const QString operatorName = QString::fromLocal8Bit(getlogin() ? getlogin() : user ? user->pw_name : "");
    const Run run = command({u"audit"_s});
    const QList<QStringList> &audit = run.rows;
    QCOMPARE(run.column(1), QStringList(5, operatorName));
    QCOMPARE(run.column(2), (QStringList{u"ban"_s, u"hide"_s, u"hide"_s, u"ban"_s, u"unban"_s}));
    QCOMPARE(audit.first().mid(3), (QStringList{u"nick TROLL"_s, u"spam\\tdue"_s}));
    QCOMPARE(QSet<QString>({audit.at(1).at(3), audit.at(2).at(3)}),
             (QSet<QString>{QString::number(troll.at(0)), QString::number(troll.at(1))}));
    QCOMPARE(command({u"audit"_s, u"--limit"_s, u"1"_s}).rows, QList<QStringList>{audit.last()});
}

void TestServizioModeration::addressesAreErasedAndNeverShown()
{
    QFETCH_GLOBAL(bool, postgres);
    const qint64 old = posted(u"anna"_s, u"vecchio"_s, "203.0.113.5");
    QVERIFY(old > 0 && put(u"anna"_s, u"nuovo"_s, "203.0.113.5").status == 200);
    QVERIFY(sql(u"UPDATE messaggi SET istante = istante - %1 WHERE testo = 'vecchio'"_s.arg(
        postgres ? u"interval '8 days'"_s : QString::number(8 * 86400))));
    startInstances({u"--keep-addresses-days"_s, u"7"_s}); // erased at the start, then once a minute
    QTRY_COMPARE_WITH_TIMEOUT(command({u"messages"_s}).column(3), (QStringList{QString(), u"203.0.113.5"_s}), waitMs);

    // Pages and the API show the message's number where the address was, and nowhere else.
    const ServiceProcess::Reply page = ServiceProcess::get(other(), "/getmsgchat1.asp");
    QCOMPARE(page.records().first().address, u"#%1"_s.arg(old));
    QCOMPARE(page.records().last().address, u"#%1"_s.arg(old + 1));
    for (const QByteArray &target : {QByteArray("/getmsgchat1.asp"), QByteArray("/api/v1/rooms/stanza1/messages"),
                                     QByteArray("/api/v1/search?q=nuovo")})
        QVERIFY(!ServiceProcess::get(other(), target).body.contains("203.0.113"));
}

void TestServizioModeration::moreThanABatchIsHiddenAtOnce()
{
    QFETCH_GLOBAL(bool, postgres);
    // More than the commands read at a time, and than an instance takes in at a time.
    constexpr int count = 1201;
    const QString insert = u"%1 INSERT INTO messaggi (stanza, nick, data, istante, indirizzo, testo)"
                           " SELECT 'stanza1', 'bot', '', %2, '192.0.2.9', 'spam ' || i FROM %3"_s;
    QVERIFY(sql(postgres ? insert.arg(QString(), u"now()"_s, u"generate_series(1, %1) AS i"_s.arg(count))
                         : insert.arg(u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1)"_s
                                          .arg(count),
                                      u"CAST(strftime('%s') AS INTEGER)"_s, u"n"_s)));
    // Handed out before the stream opens: the page's 50th and newest.
    QTRY_COMPARE_WITH_TIMEOUT(shown().value(49), u"spam %1"_s.arg(count), waitMs);
    EventStreamClient events;
    QVERIFY(events.open(other(), stream).contains("text/event-stream"));
    QCOMPARE(command({u"ban"_s, u"--nick"_s, u"BOT"_s, u"--hide-messages"_s}).status, 0);
    QSet<qint64> hidden;
    for (qint64 id; hidden.size() < count && (id = nextHidden(events)) > 0;)
        hidden.insert(id);
    QCOMPARE(hidden.size(), count);
    QTRY_COMPARE_WITH_TIMEOUT(shown(), QStringList(), waitMs);
    QVERIFY(command({u"messages"_s, u"--nick"_s, u"bot"_s}).rows.isEmpty());
}

bool TestServizioModeration::sql(const QString &statement)
{
    QFETCH_GLOBAL(bool, postgres);
    if (postgres)
        return m_cluster.query(statement).has_value();
    sqlite3 *db = nullptr;
    const bool done = sqlite3_open(m_database.toUtf8().constData(), &db) == SQLITE_OK
        && sqlite3_exec(db, statement.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return done;
}

QTEST_GUILESS_MAIN(TestServizioModeration)
#include "tst_ServizioModeration.moc"
