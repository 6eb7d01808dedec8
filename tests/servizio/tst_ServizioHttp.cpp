// The real ciarla-servizio, driven over HTTP on a loopback port, its pages read
// back by the chat client's own reply reader.
#include "PollPage.h"
#include "RispostaChat.h"
#include "ServiceProcess.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {
const QString success = u"<TITLE>MESSAGGIO INVIATO</TITLE>"_s;
const QString room0 = u"getmsgchat.asp"_s;

// True when the service answered that it stored the message.
bool sent(const ServiceProcess &service, const QString &page, const QString &nick, const QString &message)
{
    return service.put(page, nick, message).text().contains(success);
}
} // namespace

class TestServizioHttp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void putIsReadBackByPoll();
    void textSurvivesTheRoundTrip_data();
    void textSurvivesTheRoundTrip();
    void roomKeepsItsNewestMessages();
    void refusalsStoreNothing_data();
    void refusalsStoreNothing();
    void floodIsRefused();
    void roomsAreKeptApart();
    void makerSiteAnswers();
    void everyRequestIsLogged();
    void badPortIsRefused();
    void archiveOfALaterVersionIsLeftAlone();

private:
    QString database() const { return m_dir->filePath(u"chat.sqlite"_s); }
    // (Re)starts the service on the test's database; false when it did not say its port.
    bool start(const QStringList &options = {u"--put-limit"_s, u"0"_s});
    // The error output of the service run on the test's database, when it ends at once with status 1.
    QByteArray refusedStart(const QStringList &options) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ServiceProcess> m_service;
};

void TestServizioHttp::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestServizioHttp::cleanup()
{
    m_service.reset();
}

bool TestServizioHttp::start(const QStringList &options)
{
    m_service.reset();
    m_service = std::make_unique<ServiceProcess>(database(), options);
    if (m_service->start())
        return true;
    qWarning("ciarla-servizio did not start: %s", m_service->errorOutput().constData());
    return false;
}

QByteArray TestServizioHttp::refusedStart(const QStringList &options) const
{
    QProcess service;
    service.start(QStringLiteral(SERVIZIO_PROGRAM), options + QStringList{u"--database"_s, database()});
    if (!service.waitForFinished(10000) || service.exitStatus() != QProcess::NormalExit || service.exitCode() != 1)
        return {};
    return service.readAllStandardError();
}

void TestServizioHttp::putIsReadBackByPoll()
{
    QVERIFY(start());
    QVERIFY(PollPage::fetch(m_service->port(), room0).noData);
    const ServiceProcess::Reply reply = m_service->put(u"putmsgchat.asp"_s, u"anna"_s, u"ciao a tutti"_s);
    QCOMPARE(reply.status, 200);
    QVERIFY(reply.text().contains(success));

    // Read back at once, and again after a kill -9 and a restart.
    for (const bool killed : {false, true}) {
        if (killed) {
            m_service->killAbruptly();
            QVERIFY(start());
        }
        const PollPage page = PollPage::fetch(m_service->port(), room0);
        QVERIFY(!page.noData);
        QCOMPARE(page.count, 1);
        QCOMPARE(page.records.size(), 1);
        QCOMPARE(page.records.at(0).nick, u"anna"_s);
        QCOMPARE(page.records.at(0).address, u"127.0.0.1"_s);
        QCOMPARE(page.records.at(0).message, u"ciao a tutti"_s);
        static const QRegularExpression stamp(u"^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d$"_s);
        QVERIFY2(stamp.match(page.records.at(0).date).hasMatch(), qPrintable(page.records.at(0).date));
    }
}

void TestServizioHttp::textSurvivesTheRoundTrip_data()
{
    QTest::addColumn<QString>("nick");
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QString>("message");    // characters outside Windows-1252 become "?", as in the client
    const auto typed = [](const char *name, const QString &nick, const QString &message) {
        QTest::newRow(name) << nick << "NOME=" + ServiceProcess::codifica(nick) + "&messaggio="
                + ServiceProcess::codifica(message) << message;
    };
    // Only a typed "&lt;" cannot come back: the client reads it as "<".
    typed("less-than and entities", u"a<b"_s, u"1 < 2 > 0 & 3 &amp; &gt; &lt &#60;"_s);
    typed("forged markers", u"<!-- /0 --><!-- N02 -->"_s,
          u"<!-- /0 --><!-- N02 --><!-- NICK -->finto<!-- /0 --><!-- NO DATA --><!-- CHAT INIZIO DATA -->"_s);
    typed("line breaks", u"z"_s, u"prima riga\r\nseconda riga\r\n\r\nquarta"_s);
    typed("smileys", u":)"_s, u"ciao :) e :( e ::)) e :(:)"_s);
    typed("blanks around", u" "_s, u"  spazi intorno  "_s);
    typed("tags typed", u"<b>"_s, u"<BR><b>grassetto</b><img src=smile.gif width=32 height=32>"_s);
    typed("western letters", u"Nicolò"_s, u"è già l'€uro «bello»"_s);
    typed("empty message", u"w"_s, QString());
    typed("longest nick and message", QString(30, u'n'), QString(599, u'm') + u"è"_s);
    QTest::newRow("utf-8") << u"u"_s << QByteArray("NOME=u&messaggio=%C3%A8%E2%82%AC%F0%9F%98%80") << u"è€?"_s;
    QTest::newRow("broken utf-8 is windows-1252") << u"u"_s << QByteArray("NOME=u&messaggio=%C3%28") << u"Ã("_s;
    QTest::newRow("plus is a blank") << u"u"_s << QByteArray("NOME=u&messaggio=a+b%2Bc") << u"a b+c"_s;
    // An address with a stray "%" is read tolerantly: every "%" in it is then a plain percent sign.
    QTest::newRow("bad escape") << u"u"_s << QByteArray("NOME=u&messaggio=100%zz%41") << u"100%zz%41"_s;
}

void TestServizioHttp::textSurvivesTheRoundTrip()
{
    QFETCH(QString, nick);
    QFETCH(QByteArray, query);
    QFETCH(QString, message);
    QVERIFY(start());
    QVERIFY(sent(*m_service, u"putmsgchat.asp"_s, u"prima"_s, u"uno"_s));
    QVERIFY(m_service->get("/putmsgchat.asp?" + query).text().contains(success));
    QVERIFY(sent(*m_service, u"putmsgchat.asp"_s, u"dopo"_s, u"tre"_s));

    const QString text = m_service->get("/getmsgchat.asp").text();
    QCOMPARE(text.count(RispostaChat::InizioDati), 1);
    QVERIFY(!text.contains(RispostaChat::NessunDato));
    const PollPage page = PollPage::read(text);
    QCOMPARE(page.count, 3);
    QCOMPARE(page.records.size(), 3);
    QCOMPARE(page.records.at(1).nick, nick);
    QCOMPARE(page.records.at(1).message, message);
    QCOMPARE(page.records.at(2).nick, u"dopo"_s);
    QCOMPARE(page.records.at(2).message, u"tre"_s);
}

void TestServizioHttp::roomKeepsItsNewestMessages()
{
    QVERIFY(start());
    for (int i = 1; i <= 55; ++i)
        QVERIFY(sent(*m_service, u"putmsgchat3.asp"_s, u"n"_s, u"messaggio %1"_s.arg(i)));
    const QString text = m_service->get("/getmsgchat3.asp").text();
    QVERIFY(text.contains(u"<!-- N50 -->"_s));
    QVERIFY(!text.contains(u"<!-- N51 -->"_s));

    // The window is the same once the service has read it back from its file.
    QVERIFY(start());
    const PollPage page = PollPage::fetch(m_service->port(), u"getmsgchat3.asp"_s);
    QCOMPARE(page.count, 50);
    QCOMPARE(page.records.size(), 50);
    QCOMPARE(page.records.first().message, u"messaggio 6"_s);
    QCOMPARE(page.records.last().message, u"messaggio 55"_s);

    m_service->killAbruptly();
    QVERIFY(start({u"--room-size"_s, u"3"_s}));
    const PollPage three = PollPage::fetch(m_service->port(), u"getmsgchat3.asp"_s);
    QCOMPARE(three.records.size(), 3);
    QCOMPARE(three.records.first().message, u"messaggio 53"_s);
}

void TestServizioHttp::refusalsStoreNothing_data()
{
    QTest::addColumn<QByteArray>("query");
    const QByteArray nick31 = ServiceProcess::codifica(QString(31, u'n'));
    const QByteArray message601 = ServiceProcess::codifica(QString(601, u'm'));
    QTest::newRow("empty nick") << QByteArray("NOME=&messaggio=%63%69%61%6F");
    QTest::newRow("no message") << QByteArray("NOME=%61");
    QTest::newRow("31 characters of nick") << "NOME=" + nick31 + "&messaggio=%61";
    QTest::newRow("601 characters of message") << "NOME=%61&messaggio=" + message601;
    QTest::newRow("NUL in message") << QByteArray("NOME=%61&messaggio=%61%00%62");
    QTest::newRow("undefined windows-1252 byte") << QByteArray("NOME=%61&messaggio=%81");
    QTest::newRow("line break in nick") << QByteArray("NOME=%61%0D%0A%62&messaggio=%61");
    QTest::newRow("utf-8 non-character") << QByteArray("NOME=%61&messaggio=%EF%BF%BF");
}

void TestServizioHttp::refusalsStoreNothing()
{
    QFETCH(QByteArray, query);
    QVERIFY(start());
    const ServiceProcess::Reply reply = m_service->get("/putmsgchat.asp?" + query);
    QCOMPARE(reply.status, 400);
    QVERIFY(reply.text().contains(u"<TITLE>"_s));
    QVERIFY(!reply.text().contains(success));
    QVERIFY(reply.text().contains(u"non è stato registrato"_s));
    QVERIFY(PollPage::fetch(m_service->port(), room0).noData);
}

void TestServizioHttp::floodIsRefused()
{
    QVERIFY(start({u"--put-limit"_s, u"3"_s, u"--put-window"_s, u"3600"_s}));
    for (int i = 0; i < 3; ++i)
        QVERIFY(sent(*m_service, u"putmsgchat1.asp"_s, u"f"_s, QString::number(i)));
    // Another room does not escape the limit: it is the sender that is counted.
    const ServiceProcess::Reply refused = m_service->put(u"putmsgchat2.asp"_s, u"f"_s, u"troppo"_s);
    QCOMPARE(refused.status, 429);
    QVERIFY(!refused.text().contains(success));
    QVERIFY(refused.text().contains(u"Troppi messaggi"_s));
    QCOMPARE(PollPage::fetch(m_service->port(), u"getmsgchat1.asp"_s).records.size(), 3);
    QVERIFY(PollPage::fetch(m_service->port(), u"getmsgchat2.asp"_s).noData);
}

void TestServizioHttp::roomsAreKeptApart()
{
    QVERIFY(start());
    QVERIFY(sent(*m_service, u"putciarlachat.asp"_s, u"p"_s, u"privato"_s));
    QVERIFY(sent(*m_service, u"chat/putmsgchat2.asp"_s, u"s"_s, u"signori"_s));

    const PollPage privateRoom = PollPage::fetch(m_service->port(), u"getciarlachat.asp"_s);
    QCOMPARE(privateRoom.records.size(), 1);
    QCOMPARE(privateRoom.records.at(0).message, u"privato"_s);
    for (const char *empty : {"getmsgchat.asp", "getmsgchat1.asp", "getmsgchat3.asp", "chat/getmsgchat.asp"})
        QVERIFY2(PollPage::fetch(m_service->port(), QLatin1String(empty)).noData, empty);
    const PollPage room2 = PollPage::fetch(m_service->port(), u"getmsgchat2.asp"_s);
    QCOMPARE(room2.records.size(), 1);
    QCOMPARE(room2.records.at(0).message, u"signori"_s);
    QCOMPARE(m_service->get("/chat/getmsgchat2.asp").body, m_service->get("/getmsgchat2.asp").body);
    QCOMPARE(m_service->get("/chat/getciarlachat.asp").body, m_service->get("/getciarlachat.asp").body);
}

void TestServizioHttp::makerSiteAnswers()
{
    QVERIFY(start());
    for (const char *page : {"/", "/miachat.asp", "/valligianichat.asp"}) {
        const ServiceProcess::Reply reply = m_service->get(page);
        QCOMPARE(reply.status, 200);
        QVERIFY2(reply.body.contains("<TITLE>") && reply.body.contains("lang=\"it\""), page);
    }
    const ServiceProcess::Reply older = m_service->get("/ciarlachat.asp?ver=0%209%200%200");
    QCOMPARE(older.status, 200);
    QVERIFY(QString::fromUtf8(older.body).contains(u"nuova versione"_s));
    const ServiceProcess::Reply same = m_service->get("/ciarlachat.asp?ver=" CIARLA_VERSION_QUERY);
    QCOMPARE(same.status, 200);
    QVERIFY(QString::fromUtf8(same.body).contains(u"più recente"_s));
    QCOMPARE(m_service->get("/ciarlachat.asp?ver=uno").status, 400);
    QCOMPARE(m_service->get("/nessuna.asp").status, 404);
}

void TestServizioHttp::everyRequestIsLogged()
{
    QVERIFY(start());
    QCOMPARE(m_service->get("/getmsgchat1.asp").status, 200);
    QCOMPARE(m_service->get("/manca.asp%0A%20finto").status, 404);
    const QString log = QString::fromUtf8(m_service->logUntil("/manca.asp"));
    // time, address, page, status, time taken; what the client sent cannot break a line
    static const QRegularExpression line(
        u"^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} 127\\.0\\.0\\.1 (\\S+) (\\d{3}) \\d+\\.\\d{3} ms$"_s);
    const QStringList lines = log.trimmed().split(u'\n');
    QCOMPARE(lines.size(), 2);
    const QRegularExpressionMatch poll = line.match(lines.at(0));
    QVERIFY2(poll.hasMatch(), qPrintable(lines.at(0)));
    QCOMPARE(poll.captured(1), u"/getmsgchat1.asp"_s);
    QCOMPARE(poll.captured(2), u"200"_s);
    const QRegularExpressionMatch missing = line.match(lines.at(1));
    QVERIFY2(missing.hasMatch(), qPrintable(lines.at(1)));
    QCOMPARE(missing.captured(2), u"404"_s);
}

void TestServizioHttp::badPortIsRefused()
{
    QVERIFY(refusedStart({u"--port"_s, u"70000"_s}).contains("--port"));
}

void TestServizioHttp::archiveOfALaterVersionIsLeftAlone()
{
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(database()).constData(), &db), SQLITE_OK);
    QCOMPARE(sqlite3_exec(db, "CREATE TABLE futuro (x); PRAGMA user_version = 99", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);

    QVERIFY(QString::fromUtf8(refusedStart({u"--port"_s, u"0"_s})).contains(u"più recente"_s));

    QCOMPARE(sqlite3_open(QFile::encodeName(database()).constData(), &db), SQLITE_OK);
    sqlite3_stmt *mode = nullptr;
    QCOMPARE(sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &mode, nullptr), SQLITE_OK);
    QCOMPARE(sqlite3_step(mode), SQLITE_ROW);
    const QByteArray journal(reinterpret_cast<const char *>(sqlite3_column_text(mode, 0)));
    sqlite3_finalize(mode);
    sqlite3_close(db);
    QCOMPARE(journal, QByteArray("delete"));
}

QTEST_GUILESS_MAIN(TestServizioHttp)
#include "tst_ServizioHttp.moc"
