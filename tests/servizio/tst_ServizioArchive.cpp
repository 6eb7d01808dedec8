// The archive's history, search, purge and schema upgrade, in process, on an
// SQLite file and on a real PostgreSQL 15, and the writer's hand-out of new messages.
#include "ArchiveWriter.h"
#include "PostgresCluster.h"
#include "ServiceMetrics.h"

#include <QtTest>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {
// The previous version's schema, exactly as it made it, with two of its messages.
const char oldSqlite[] = "CREATE TABLE messaggi (id INTEGER PRIMARY KEY AUTOINCREMENT, stanza TEXT NOT NULL,"
                         " nick TEXT NOT NULL, data TEXT NOT NULL, indirizzo TEXT NOT NULL, testo TEXT NOT NULL);"
                         "CREATE INDEX messaggi_stanza ON messaggi (stanza, id); PRAGMA user_version = 1;";
const char oldPostgres[] =
    "CREATE TABLE versione_schema (versione integer NOT NULL); INSERT INTO versione_schema VALUES (1);"
    "CREATE TABLE messaggi (id bigserial PRIMARY KEY, stanza text NOT NULL, nick text NOT NULL, data text NOT NULL,"
    " indirizzo text NOT NULL, testo text NOT NULL); CREATE INDEX messaggi_stanza ON messaggi (stanza, id);"
    "CREATE TABLE invii (indirizzo text NOT NULL, istante timestamptz NOT NULL);"
    "CREATE INDEX invii_indirizzo ON invii (indirizzo, istante); CREATE INDEX invii_istante ON invii (istante);";
const char oldRows[] = "INSERT INTO messaggi (stanza, nick, data, indirizzo, testo) VALUES"
                       " ('stanza1', 'a', '07/12/2026 11:15:02', '10.0.0.1', 'Com''è la città?'),"
                       " ('stanza1', 'b', '01/07/2026 09:00:00', '10.0.0.2', 'Al mare, perché fa caldo')";

QStringList texts(const MessageArchive::Rows &rows)
{
    if (!rows)
        return {u"(unreadable)"_s};
    QStringList out;
    for (const ChatMessage &message : *rows)
        out.append(message.text);
    return out;
}

} // namespace

class TestServizioArchive : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void historyIsKeptPagedAndPurged_data() { backends(); }
    void historyIsKeptPagedAndPurged();
    void search_data();
    void search();
    void upgradeKeepsEveryMessage_data() { backends(); }
    void upgradeKeepsEveryMessage();
    void writerHandsOutOtherInstancesPutsAndPurges();

private:
    static void backends();
    // A new database of its own, made with `schema` first when given, and opened.
    std::unique_ptr<MessageArchive> fresh(bool postgres, const QByteArray &schema = {});
    static qint64 put(MessageArchive &archive, const QString &room, const QString &text, int ageDays = 0)
    {
        ChatMessage message = ChatMessage::writtenNow(room, u"n"_s, u"10.0.0.1"_s, text);
        message.time = message.time.addDays(-ageDays);
        return archive.store(message) == MessageArchive::Outcome::Stored ? message.id : -1;
    }

    QTemporaryDir m_dir;
    PostgresCluster m_cluster;
    QString m_database;
};

void TestServizioArchive::initTestCase()
{
    // Old dates are local time: a zone that is not UTC shows whether they are read as such.
    qputenv("TZ", "Europe/Rome");
    QVERIFY2(m_cluster.start(), qPrintable(u"PostgreSQL did not start: "_s + m_cluster.error()));
}

void TestServizioArchive::backends()
{
    QTest::addColumn<bool>("postgres");
    QTest::newRow("sqlite") << false;
    QTest::newRow("postgresql") << true;
}

std::unique_ptr<MessageArchive> TestServizioArchive::fresh(bool postgres, const QByteArray &schema)
{
    static int files = 0;
    m_database = postgres ? m_cluster.uri() : m_dir.filePath(u"%1.sqlite"_s.arg(++files));
    if (postgres && !m_cluster.query(QString::fromUtf8("DROP SCHEMA public CASCADE; CREATE SCHEMA public;" + schema)))
        return nullptr;
    if (!postgres) {
        sqlite3 *db = nullptr;
        const bool made = sqlite3_open(QFile::encodeName(m_database).constData(), &db) == SQLITE_OK
            && sqlite3_exec(db, schema.constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
        sqlite3_close(db);
        if (!made)
            return nullptr;
    }
    QString error;
    auto archive = MessageArchive::open(m_database, {}, &error);
    if (!archive)
        qWarning("%s", qPrintable(error));
    return archive;
}

void TestServizioArchive::historyIsKeptPagedAndPurged()
{
    QFETCH(bool, postgres);
    const auto archive = fresh(postgres);
    QVERIFY(archive);
    QStringList first; // stanza1's, oldest first
    QList<qint64> ids{0};
    for (int i = 0; i < 120; ++i) {
        // The first two are 400 and 399 days old.
        ids.append(put(*archive, i % 3 ? u"stanza1"_s : u"stanza2"_s, QString::number(i), i < 2 ? 400 - i : 0));
        QVERIFY2(ids.last() > ids.at(i), "ids grow with the commits");
        if (i % 3)
            first.append(QString::number(i));
    }
    const auto page = archive->before(u"stanza1"_s, 0, 50);
    QCOMPARE(texts(page), first.mid(30));
    QVERIFY(qAbs(page->last().time.secsTo(QDateTime::currentDateTimeUtc())) < 60 && page->last().id == ids.last());
    QCOMPARE(texts(archive->before(u"stanza1"_s, page->first().id, 50)), first.mid(0, 30));
    QCOMPARE(texts(archive->after(u"stanza1"_s, page->first().id, 3)), first.mid(31, 3));
    // The two old ones go, the oldest first, one batch at a time.
    const QDateTime cutoff = QDateTime::currentDateTimeUtc().addDays(-365);
    QCOMPARE(archive->purge(cutoff, 1), 1);
    QCOMPARE(texts(archive->before(u"stanza2"_s, 0, 1000)).first(), u"3"_s);
    QCOMPARE((QList<int>{archive->purge(cutoff, 5), archive->purge(cutoff, 5)}), (QList<int>{1, 0}));
    QCOMPARE(texts(archive->before(u"stanza1"_s, 0, 1000)), first.mid(1));
    QCOMPARE(texts(archive->search({u"1"_s}, u"stanza1"_s, 0, 2)), (QStringList{u"119"_s, u"118"_s}));
    QCOMPARE(texts(archive->search({u"1"_s}, u"stanza1"_s, ids.at(12), 50)), (QStringList{u"10"_s}));
}

void TestServizioArchive::search_data()
{
    QTest::addColumn<bool>("postgres");
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<QString>("room");
    QTest::addColumn<int>("before"); // an index into the stored messages, or -1
    QTest::addColumn<QList<int>>("found"); // indexes, newest first
    for (const bool postgres : {false, true}) {
        const auto row = [postgres](const char *name, const QStringList &words, const QList<int> &found,
                                    const QString &room = {}, int before = -1) {
            QTest::addRow("%s %s", postgres ? "postgresql" : "sqlite", name) << postgres << words << room << before
                                                                           << found;
        };
        row("accents ignored", {u"perche"_s}, {0});
        row("letter case and accents", {u"CITTA"_s}, {0});
        row("prefix", {u"stor"_s}, {2, 1});
        row("every word needed", {u"stor"_s, u"roma"_s}, {1});
        row("not inside a word", {u"oria"_s}, {});
        row("quote and star are plain", {u"\"stor*"_s}, {2, 1});
        row("OR is a word", {u"cornetto"_s, u"OR"_s, u"roma"_s}, {});
        row("NEAR and brackets", {u"NEAR(caff"_s, u"x)"_s}, {2});
        row("query operators", {u"caff'|roma"_s, u"!acqua"_s, u"&:*"_s}, {});
        row("room", {u"stor"_s}, {2}, u"stanza0"_s);
        row("before an id", {u"stor"_s}, {1}, QString(), 2);
    }
}

void TestServizioArchive::search()
{
    QFETCH(bool, postgres);
    QFETCH(QStringList, words);
    QFETCH(QString, room);
    QFETCH(int, before);
    QFETCH(QList<int>, found);
    const auto archive = fresh(postgres);
    QVERIFY(archive);
    const QStringList stored{u"Perché la città è bella"_s, u"La STORIA di Roma"_s,
                             u"storiella: uno \"due\" tre* OR NEAR(x) -- caffè"_s,
                             u"Caffè e cornetto, l'acqua è fresca"_s};
    QList<qint64> ids;
    for (const QString &text : stored)
        ids.append(put(*archive, ids.size() % 2 ? u"stanza1"_s : u"stanza0"_s, text));
    QStringList expected;
    for (const int index : found)
        expected.append(stored.at(index));
    QCOMPARE(texts(archive->search(words, room, before < 0 ? 0 : ids.at(before), 50)), expected);
}

void TestServizioArchive::upgradeKeepsEveryMessage()
{
    QFETCH(bool, postgres);
    const auto archive = fresh(postgres, QByteArray(postgres ? oldPostgres : oldSqlite) + oldRows);
    QVERIFY(archive);
    const auto kept = archive->newest(u"stanza1"_s, 10);
    QCOMPARE(texts(kept), (QStringList{u"Com'è la città?"_s, u"Al mare, perché fa caldo"_s}));
    // Local time in Rome: an hour ahead of UTC in winter, two in summer.
    QCOMPARE(kept->at(0).time, QDateTime(QDate(2026, 12, 7), QTime(10, 15, 2), Qt::UTC));
    QCOMPARE(kept->at(1).time, QDateTime(QDate(2026, 7, 1), QTime(7, 0), Qt::UTC));
    QCOMPARE(texts(archive->search({u"perche"_s, u"mare"_s}, {}, 0, 10)), QStringList{u"Al mare, perché fa caldo"_s});
    QVERIFY(put(*archive, u"stanza1"_s, u"dopo"_s) > kept->at(1).id);
    // Brought up to date once: opening it again upgrades nothing.
    QString error;
    QVERIFY2(MessageArchive::open(m_database, {}, &error), qPrintable(error));
}

void TestServizioArchive::writerHandsOutOtherInstancesPutsAndPurges()
{
    const auto mine = fresh(true);
    QString error;
    const auto other = MessageArchive::open(m_database, {}, &error);
    QVERIFY2(mine && other, qPrintable(error));
    const qint64 shown = put(*other, u"stanza1"_s, u"vecchio"_s, 400);
    QStringList arrived, page{u"vecchio"_s}; // the page as the instance showed it
    ServiceMetrics metrics;
    ArchiveWriter writer(*mine, metrics);
    writer.follow({{u"stanza1"_s, shown}}, 5, [&](const QString &, const MessageArchive::Rows &rows,
                                                  const QList<ChatMessage> &messages) {
        page = rows ? texts(rows) : page + texts(messages); // as a room keeps its page
        arrived += texts(messages);
    });
    QVERIFY(put(*other, u"stanza1"_s, u"a"_s) > 0 && put(*other, u"stanza1"_s, u"b"_s) > 0);
    QTRY_COMPARE(arrived, (QStringList{u"a"_s, u"b"_s}));
    bool answeredAfterHandOut = false;
    writer.store(ChatMessage::writtenNow(u"stanza1"_s, u"n"_s, {}, u"c"_s),
                 [&](MessageArchive::Outcome outcome, const ChatMessage &) {
                     answeredAfterHandOut = outcome == MessageArchive::Outcome::Stored && arrived.size() == 3;
                 });
    QTRY_VERIFY(answeredAfterHandOut);
    QCOMPARE(arrived, (QStringList{u"a"_s, u"b"_s, u"c"_s}));
    QCOMPARE(page, (QStringList{u"vecchio"_s, u"a"_s, u"b"_s, u"c"_s}));
    writer.purgeOlderThan(365, 7);
    QTRY_COMPARE(page, (QStringList{u"a"_s, u"b"_s, u"c"_s}));
}

QTEST_GUILESS_MAIN(TestServizioArchive)
#include "tst_ServizioArchive.moc"
