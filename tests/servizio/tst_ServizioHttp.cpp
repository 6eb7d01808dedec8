// The real ciarla-servizio, driven over HTTP on a loopback port, its pages read
// back through a parser that follows the chat's wire format.
#include "ServiceProcess.h"
#include "TranscriptReader.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h>

namespace {
const QString success = QStringLiteral("<TITLE>MESSAGGIO INVIATO</TITLE>");
const QString room0 = QStringLiteral("getmsgchat.asp");

TranscriptReader poll(const ServiceProcess &service, const QString &page)
{
    const ServiceProcess::Reply reply = service.get('/' + page.toLatin1());
    TranscriptReader reader;
    if (reply.status != 200 || !reader.read(reply.text()))
        qWarning("poll of %s gave %d: %s", qPrintable(page), reply.status, reply.body.left(300).constData());
    return reader;
}
} // namespace

class TestServizioHttp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void putIsReadBackByPoll();
    void textSurvivesTheRoundTrip_data();
    void textSurvivesTheRoundTrip();
    void typedEntityIsTheOneLoss();
    void queryBytesAreDecoded_data();
    void queryBytesAreDecoded();
    void roomKeepsItsNewestMessages();
    void refusalsStoreNothing_data();
    void refusalsStoreNothing();
    void limitsAreInclusive();
    void floodIsRefused();
    void overlongRequestLineIsRefused();
    void silentConnectionIsClosed();
    void storedMessageSurvivesKill();
    void roomsAreKeptApart();
    void makerSiteAnswers();
    void everyRequestIsLogged();
    void commandLine();
    void archiveOfALaterVersionIsLeftAlone();

private:
    QString database() const { return m_dir->filePath(QStringLiteral("chat.sqlite")); }
    std::unique_ptr<ServiceProcess> startService(const QStringList &options = {QStringLiteral("--put-limit"),
                                                                               QStringLiteral("0")});

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestServizioHttp::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

std::unique_ptr<ServiceProcess> TestServizioHttp::startService(const QStringList &options)
{
    auto service = std::make_unique<ServiceProcess>(database(), options);
    if (!service->start())
        qWarning("ciarla-servizio did not start: %s", service->errorOutput().constData());
    return service;
}

void TestServizioHttp::putIsReadBackByPoll()
{
    const auto service = startService();
    QVERIFY(service->port());
    QVERIFY(poll(*service, room0).noData);

    const ServiceProcess::Reply reply = service->put(QStringLiteral("putmsgchat.asp"), QStringLiteral("anna"),
                                                     QStringLiteral("ciao a tutti"));
    QCOMPARE(reply.status, 200);
    QVERIFY(reply.text().contains(success));

    const TranscriptReader reader = poll(*service, room0);
    QVERIFY(!reader.noData);
    QCOMPARE(reader.count, 1);
    QCOMPARE(reader.records.size(), 1);
    QCOMPARE(reader.records.at(0).nick, QStringLiteral("anna"));
    QCOMPARE(reader.records.at(0).address, QStringLiteral("127.0.0.1"));
    QCOMPARE(reader.records.at(0).message, QStringLiteral("ciao a tutti"));
    static const QRegularExpression stamp(QStringLiteral("^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d$"));
    QVERIFY2(stamp.match(reader.records.at(0).date).hasMatch(), qPrintable(reader.records.at(0).date));
}

void TestServizioHttp::textSurvivesTheRoundTrip_data()
{
    QTest::addColumn<QString>("nick");
    QTest::addColumn<QString>("message");
    QTest::newRow("less-than") << "a<b" << "1 < 2 > 0 & 3";
    QTest::newRow("field end typed") << "x" << "<!-- /0 -->";
    QTest::newRow("forged record") << "<!-- /0 --><!-- N02 -->"
                                   << "<!-- /0 --><!-- N02 --><!-- NICK -->finto<!-- /0 -->";
    QTest::newRow("forged no data") << "y" << "<!-- NO DATA --><!-- CHAT INIZIO DATA -->";
    QTest::newRow("line breaks") << "z" << "prima riga\r\nseconda riga\r\n\r\nquarta";
    QTest::newRow("smileys") << ":)" << "ciao :) e :( e ::)) e :(:)";
    QTest::newRow("blanks around") << " " << "  spazi intorno  ";
    QTest::newRow("tags typed") << "<b>" << "<BR><b>grassetto</b><img src=smile.gif width=32 height=32>";
    QTest::newRow("western letters") << QString::fromUtf8("Nicolò") << QString::fromUtf8("è già l'€uro «bello»");
    QTest::newRow("empty message") << "w" << "";
    QTest::newRow("other entities") << "v" << "&amp; &gt; &lt &#60;";
}

void TestServizioHttp::textSurvivesTheRoundTrip()
{
    QFETCH(QString, nick);
    QFETCH(QString, message);
    const auto service = startService();
    QVERIFY(service->port());
    QVERIFY(service->put(QStringLiteral("putmsgchat.asp"), QStringLiteral("prima"), QStringLiteral("uno")).text().contains(success));
    QVERIFY(service->put(QStringLiteral("putmsgchat.asp"), nick, message).text().contains(success));
    QVERIFY(service->put(QStringLiteral("putmsgchat.asp"), QStringLiteral("dopo"), QStringLiteral("tre")).text().contains(success));

    const QString page = service->get("/getmsgchat.asp").text();
    QCOMPARE(page.count(QStringLiteral("<!-- CHAT INIZIO DATA -->")), 1);
    QVERIFY(!page.contains(QStringLiteral("<!-- NO DATA -->")));
    TranscriptReader reader;
    QVERIFY(reader.read(page));
    QCOMPARE(reader.count, 3);
    QCOMPARE(reader.records.size(), 3);
    QCOMPARE(reader.records.at(1).nick, nick);
    QCOMPARE(reader.records.at(1).message, message);
    QCOMPARE(reader.records.at(2).nick, QStringLiteral("dopo"));
    QCOMPARE(reader.records.at(2).message, QStringLiteral("tre"));
}

void TestServizioHttp::typedEntityIsTheOneLoss()
{
    const auto service = startService();
    QVERIFY(service->port());
    QVERIFY(service->put(QStringLiteral("putmsgchat.asp"), QStringLiteral("n"), QStringLiteral("a &lt; b")).text().contains(success));
    const TranscriptReader reader = poll(*service, room0);
    QCOMPARE(reader.records.size(), 1);
    QCOMPARE(reader.records.at(0).message, QStringLiteral("a < b"));
}

void TestServizioHttp::queryBytesAreDecoded_data()
{
    QTest::addColumn<QByteArray>("encoded");
    QTest::addColumn<QString>("expected");
    QTest::newRow("windows-1252") << QByteArray("%E8%80") << QString::fromUtf8("è€");
    QTest::newRow("utf-8") << QByteArray("%C3%A8%E2%82%AC%F0%9F%98%80") << QString::fromUtf8("è€😀");
    QTest::newRow("broken utf-8 is windows-1252") << QByteArray("%C3%28") << QString::fromUtf8("Ã(");
    QTest::newRow("plain ascii") << QByteArray("abc%20def") << QStringLiteral("abc def");
    QTest::newRow("plus is a blank") << QByteArray("a+b%2Bc") << QStringLiteral("a b+c");
    // The HTTP library reads an address with a stray "%" tolerantly: every "%"
    // in it is then taken as a plain percent sign.
    QTest::newRow("bad escape") << QByteArray("100%zz%41") << QStringLiteral("100%zz%41");
}

void TestServizioHttp::queryBytesAreDecoded()
{
    QFETCH(QByteArray, encoded);
    QFETCH(QString, expected);
    const auto service = startService();
    QVERIFY(service->port());
    QCOMPARE(service->get("/putmsgchat.asp?NOME=utf&messaggio=" + encoded).status, 200);

    // Characters outside Windows-1252 reach the chat page as "?", like the client's own encoding does.
    QString shown = expected;
    for (QChar &c : shown) {
        if (c.isSurrogate())
            c = u'?';
    }
    shown.replace(QStringLiteral("??"), QStringLiteral("?"));
    const TranscriptReader reader = poll(*service, room0);
    QCOMPARE(reader.records.size(), 1);
    QCOMPARE(reader.records.at(0).message, shown);
}

void TestServizioHttp::roomKeepsItsNewestMessages()
{
    {
        const auto service = startService();
        QVERIFY(service->port());
        for (int i = 1; i <= 55; ++i)
            QVERIFY(service->put(QStringLiteral("putmsgchat3.asp"), QStringLiteral("n"), QStringLiteral("messaggio %1").arg(i))
                        .text()
                        .contains(success));
        const QString page = service->get("/getmsgchat3.asp").text();
        QVERIFY(page.contains(QStringLiteral("<!-- N09 -->")));
        QVERIFY(page.contains(QStringLiteral("<!-- N50 -->")));
        QVERIFY(!page.contains(QStringLiteral("<!-- N51 -->")));
    }
    // The window is the same once the service has read it back from its file.
    const auto service = startService();
    QVERIFY(service->port());
    const TranscriptReader reader = poll(*service, QStringLiteral("getmsgchat3.asp"));
    QCOMPARE(reader.count, 50);
    QCOMPARE(reader.records.size(), 50);
    QCOMPARE(reader.records.first().message, QStringLiteral("messaggio 6"));
    QCOMPARE(reader.records.last().message, QStringLiteral("messaggio 55"));

    service->killAbruptly();
    const auto service3 = startService({QStringLiteral("--room-size"), QStringLiteral("3")});
    QVERIFY(service3->port());
    const TranscriptReader three = poll(*service3, QStringLiteral("getmsgchat3.asp"));
    QCOMPARE(three.records.size(), 3);
    QCOMPARE(three.records.first().message, QStringLiteral("messaggio 53"));
}

void TestServizioHttp::refusalsStoreNothing_data()
{
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<int>("status");
    const QByteArray nick31 = ServiceProcess::codifica(QString(31, u'n'));
    const QByteArray message601 = ServiceProcess::codifica(QString(601, u'm'));
    QTest::newRow("empty nick") << QByteArray("NOME=&messaggio=%63%69%61%6F") << 400;
    QTest::newRow("no nick") << QByteArray("messaggio=%63%69%61%6F") << 400;
    QTest::newRow("no message") << QByteArray("NOME=%61") << 400;
    QTest::newRow("31 characters of nick") << "NOME=" + nick31 + "&messaggio=%61" << 400;
    QTest::newRow("601 characters of message") << "NOME=%61&messaggio=" + message601 << 400;
    QTest::newRow("NUL in message") << QByteArray("NOME=%61&messaggio=%61%00%62") << 400;
    QTest::newRow("control in message") << QByteArray("NOME=%61&messaggio=%61%1B%62") << 400;
    QTest::newRow("undefined windows-1252 byte") << QByteArray("NOME=%61&messaggio=%81") << 400;
    QTest::newRow("line break in nick") << QByteArray("NOME=%61%0D%0A%62&messaggio=%61") << 400;
    QTest::newRow("utf-8 non-character") << QByteArray("NOME=%61&messaggio=%EF%BF%BF") << 400;
}

void TestServizioHttp::refusalsStoreNothing()
{
    QFETCH(QByteArray, query);
    QFETCH(int, status);
    const auto service = startService();
    QVERIFY(service->port());
    const ServiceProcess::Reply reply = service->get("/putmsgchat.asp?" + query);
    QCOMPARE(reply.status, status);
    QVERIFY(reply.text().contains(QStringLiteral("<TITLE>")));
    QVERIFY(!reply.text().contains(success));
    QVERIFY(reply.text().contains(QStringLiteral("non è stato registrato")));
    QVERIFY(poll(*service, room0).noData);
}

void TestServizioHttp::limitsAreInclusive()
{
    const auto service = startService();
    QVERIFY(service->port());
    const QString nick(30, u'n');
    const QString message = QString(599, u'm') + QStringLiteral("è");
    QVERIFY(service->put(QStringLiteral("putmsgchat.asp"), nick, message).text().contains(success));
    const TranscriptReader reader = poll(*service, room0);
    QCOMPARE(reader.records.size(), 1);
    QCOMPARE(reader.records.at(0).nick, nick);
    QCOMPARE(reader.records.at(0).message, message);
}

void TestServizioHttp::floodIsRefused()
{
    const auto service = startService({QStringLiteral("--put-limit"), QStringLiteral("3"), QStringLiteral("--put-window"),
                                       QStringLiteral("3600")});
    QVERIFY(service->port());
    for (int i = 0; i < 3; ++i)
        QVERIFY(service->put(QStringLiteral("putmsgchat1.asp"), QStringLiteral("f"), QString::number(i)).text().contains(success));
    // Another room does not escape the limit: it is the sender that is counted.
    const ServiceProcess::Reply refused = service->put(QStringLiteral("putmsgchat2.asp"), QStringLiteral("f"),
                                                       QStringLiteral("troppo"));
    QCOMPARE(refused.status, 429);
    QVERIFY(!refused.text().contains(success));
    QVERIFY(refused.text().contains(QStringLiteral("Troppi messaggi")));
    QCOMPARE(poll(*service, QStringLiteral("getmsgchat1.asp")).records.size(), 3);
    QVERIFY(poll(*service, QStringLiteral("getmsgchat2.asp")).noData);
}

void TestServizioHttp::overlongRequestLineIsRefused()
{
    const auto service = startService();
    QVERIFY(service->port());
    // "GET " + target + " HTTP/1.1" is the request line: 8192 bytes pass, 8193 do not.
    const QByteArray prefix = "/putmsgchat.asp?NOME=%61&messaggio=";
    const qsizetype room = 8192 - 4 - 9 - prefix.size();
    const ServiceProcess::Reply atLimit = service->get(prefix + QByteArray(room, 'a'));
    QCOMPARE(atLimit.status, 400); // read, and refused only for the message's length
    const ServiceProcess::Reply over = service->get(prefix + QByteArray(room + 1, 'a'));
    QCOMPARE(over.status, 414);
    QVERIFY(!over.text().contains(success));
    // The service goes on serving.
    QVERIFY(poll(*service, room0).noData);
}

void TestServizioHttp::silentConnectionIsClosed()
{
    const auto service = startService({QStringLiteral("--idle-timeout"), QStringLiteral("1")});
    QVERIFY(service->port());
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), service->port());
    QVERIFY(socket.waitForConnected(5000));
    // Kept alive after an answer, then closed once it has said nothing for a while.
    socket.write("GET /getmsgchat.asp HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    QVERIFY(socket.waitForReadyRead(10000));
    QVERIFY(socket.readAll().startsWith("HTTP/1.1 200"));
    QCOMPARE(socket.state(), QAbstractSocket::ConnectedState);
    QVERIFY(socket.state() == QAbstractSocket::UnconnectedState || socket.waitForDisconnected(30000));
}

void TestServizioHttp::storedMessageSurvivesKill()
{
    auto service = startService();
    QVERIFY(service->port());
    QVERIFY(service->put(QStringLiteral("putciarlachat.asp"), QStringLiteral("durevole"), QStringLiteral("resto qui"))
                .text()
                .contains(success));
    service->killAbruptly();

    service = startService();
    QVERIFY(service->port());
    const TranscriptReader reader = poll(*service, QStringLiteral("getciarlachat.asp"));
    QCOMPARE(reader.records.size(), 1);
    QCOMPARE(reader.records.at(0).nick, QStringLiteral("durevole"));
    QCOMPARE(reader.records.at(0).message, QStringLiteral("resto qui"));
}

void TestServizioHttp::roomsAreKeptApart()
{
    const auto service = startService();
    QVERIFY(service->port());
    QVERIFY(service->put(QStringLiteral("putciarlachat.asp"), QStringLiteral("p"), QStringLiteral("privato")).text().contains(success));
    QVERIFY(service->put(QStringLiteral("chat/putmsgchat2.asp"), QStringLiteral("s"), QStringLiteral("signori")).text().contains(success));

    const TranscriptReader privateRoom = poll(*service, QStringLiteral("getciarlachat.asp"));
    QCOMPARE(privateRoom.records.size(), 1);
    QCOMPARE(privateRoom.records.at(0).message, QStringLiteral("privato"));
    for (const char *empty : {"getmsgchat.asp", "getmsgchat1.asp", "getmsgchat3.asp", "chat/getmsgchat.asp"})
        QVERIFY2(poll(*service, QLatin1String(empty)).noData, empty);
    const TranscriptReader room2 = poll(*service, QStringLiteral("getmsgchat2.asp"));
    QCOMPARE(room2.records.size(), 1);
    QCOMPARE(room2.records.at(0).message, QStringLiteral("signori"));
    QCOMPARE(service->get("/chat/getmsgchat2.asp").body, service->get("/getmsgchat2.asp").body);
    QCOMPARE(service->get("/chat/getciarlachat.asp").body, service->get("/getciarlachat.asp").body);
}

void TestServizioHttp::makerSiteAnswers()
{
    const auto service = startService();
    QVERIFY(service->port());
    for (const char *page : {"/", "/miachat.asp", "/valligianichat.asp"}) {
        const ServiceProcess::Reply reply = service->get(page);
        QCOMPARE(reply.status, 200);
        QVERIFY2(reply.body.contains("<TITLE>") && reply.body.contains("lang=\"it\""), page);
    }
    QVERIFY(QString::fromUtf8(service->get("/miachat.asp").body).contains(QStringLiteral("--address")));

    const ServiceProcess::Reply older = service->get("/ciarlachat.asp?ver=0%209%200%200");
    QCOMPARE(older.status, 200);
    QVERIFY(QString::fromUtf8(older.body).contains(QStringLiteral("nuova versione")));
    const ServiceProcess::Reply same = service->get("/ciarlachat.asp?ver=" CIARLA_VERSION_QUERY);
    QCOMPARE(same.status, 200);
    QVERIFY(QString::fromUtf8(same.body).contains(QStringLiteral("più recente")));
    QCOMPARE(service->get("/ciarlachat.asp?ver=uno").status, 400);
    QCOMPARE(service->get("/nessuna.asp").status, 404);
}

void TestServizioHttp::everyRequestIsLogged()
{
    const auto service = startService();
    QVERIFY(service->port());
    QCOMPARE(service->get("/getmsgchat1.asp").status, 200);
    QCOMPARE(service->get("/manca.asp%0A%20finto").status, 404);
    const QString log = QString::fromUtf8(service->logUntil("/manca.asp"));
    // time, address, page, status, time taken; what the client sent cannot break a line
    static const QRegularExpression line(QStringLiteral(
        "^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} 127\\.0\\.0\\.1 (\\S+) (\\d{3}) \\d+\\.\\d{3} ms$"));
    const QStringList lines = log.trimmed().split(u'\n');
    QCOMPARE(lines.size(), 2);
    const QRegularExpressionMatch poll = line.match(lines.at(0));
    QVERIFY2(poll.hasMatch(), qPrintable(lines.at(0)));
    QCOMPARE(poll.captured(1), QStringLiteral("/getmsgchat1.asp"));
    QCOMPARE(poll.captured(2), QStringLiteral("200"));
    const QRegularExpressionMatch missing = line.match(lines.at(1));
    QVERIFY2(missing.hasMatch(), qPrintable(lines.at(1)));
    QCOMPARE(missing.captured(2), QStringLiteral("404"));
}

void TestServizioHttp::commandLine()
{
    QProcess help;
    help.start(QStringLiteral(SERVIZIO_PROGRAM), {QStringLiteral("--help")});
    QVERIFY(help.waitForFinished(10000));
    QCOMPARE(help.exitCode(), 0);
    const QByteArray text = help.readAllStandardOutput();
    for (const char *option : {"--address", "--port", "--database", "--room-size"})
        QVERIFY2(text.contains(option), option);

    QProcess badPort;
    badPort.start(QStringLiteral(SERVIZIO_PROGRAM), {QStringLiteral("--port"), QStringLiteral("70000"),
                                                     QStringLiteral("--database"), database()});
    QVERIFY(badPort.waitForFinished(10000));
    QCOMPARE(badPort.exitCode(), 1);
    QVERIFY(badPort.readAllStandardError().contains("--port"));
}

void TestServizioHttp::archiveOfALaterVersionIsLeftAlone()
{
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(database()).constData(), &db), SQLITE_OK);
    QCOMPARE(sqlite3_exec(db, "CREATE TABLE futuro (x); PRAGMA user_version = 99", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);

    QProcess service;
    service.start(QStringLiteral(SERVIZIO_PROGRAM), {QStringLiteral("--port"), QStringLiteral("0"),
                                                     QStringLiteral("--database"), database()});
    QVERIFY(service.waitForFinished(10000));
    QCOMPARE(service.exitCode(), 1);
    QVERIFY(QString::fromUtf8(service.readAllStandardError()).contains(QStringLiteral("più recente")));

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
