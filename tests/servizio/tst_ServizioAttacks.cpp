// The real ciarla-servizio under hostile clients on loopback: each attack gets
// its status or a closed connection, normal polls are answered meanwhile, and
// the service's resident memory stays bounded during the attack and after it.
#include "RawConnections.h"
#include "RispostaChat.h"
#include "ServiceProcess.h"

#include <QTemporaryDir>
#include <QtTest>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
const QByteArray pollRequest = "GET /getmsgchat.asp HTTP/1.1\r\nHost: a\r\n\r\n";
const QByteArray pollAndClose = "GET /getmsgchat.asp HTTP/1.1\r\nHost: a\r\nConnection: close\r\n\r\n";
const QByteArray putRequest = "GET /putmsgchat.asp?NOME=%61&messaggio=%63%69%61%6F HTTP/1.1\r\nHost: a\r\n\r\n";

// A put whose whole head, with its 38 bytes of headers, is `size` bytes long.
QByteArray putHeadOf(qsizetype size)
{
    const QByteArray prefix = "GET /putmsgchat.asp?NOME=%61&messaggio=";
    const QByteArray end = " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
    return prefix + QByteArray(size - prefix.size() - end.size(), 'a') + end;
}
} // namespace

class TestServizioAttacks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void badHeadsAreRefused_data();
    void badHeadsAreRefused();
    void piecesAndPipelinesAreServed_data();
    void piecesAndPipelinesAreServed();
    void capsCloseNewConnectionsAtOnce_data();
    void capsCloseNewConnectionsAtOnce();
    void attacksLeaveMemoryBounded_data();
    void attacksLeaveMemoryBounded();

private:
    void start(const QStringList &options);
    bool pollAnswered() const { return m_service->get("/getmsgchat.asp").status == 200; }
    bool roomEmpty() const { return m_service->get("/getmsgchat.asp").text().contains(RispostaChat::NessunDato); }

    QTemporaryDir m_dir;
    std::unique_ptr<ServiceProcess> m_service;
};

void TestServizioAttacks::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // The attacks need thousands of descriptors on this side too.
    rlimit limit{};
    QCOMPARE(getrlimit(RLIMIT_NOFILE, &limit), 0);
    limit.rlim_cur = limit.rlim_max;
    QCOMPARE(setrlimit(RLIMIT_NOFILE, &limit), 0);
}

void TestServizioAttacks::cleanup()
{
    m_service.reset();
    QFile::remove(m_dir.filePath(u"chat.sqlite"_s));
}

void TestServizioAttacks::start(const QStringList &options)
{
    m_service = std::make_unique<ServiceProcess>(m_dir.filePath(u"chat.sqlite"_s), options);
    QVERIFY2(m_service->start(), m_service->errorOutput().constData());
}

void TestServizioAttacks::badHeadsAreRefused_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("status");
    QTest::newRow("silent client") << QByteArray() << 408;
    QTest::newRow("half a request") << QByteArray("GET /getmsgchat.asp HTTP/1.1\r\nHost: a") << 408;
    QTest::newRow("101 header lines") << "GET / HTTP/1.1\r\n" + QByteArray("X-A: b\r\n").repeated(101) + "\r\n" << 431;
    QTest::newRow("head of 16384 bytes") << putHeadOf(16384) << 400; // refused only for the message's length
    QTest::newRow("head of 16385 bytes") << putHeadOf(16385) << 431;
    QTest::newRow("request line over 16 KB") << "GET /" + QByteArray(16384, 'a') << 414;
    QTest::newRow("body over 64 KB") << QByteArray("GET / HTTP/1.1\r\nContent-Length: 100000000\r\n\r\n") << 413;
    // The put behind the chunked body must not be stored: it would be a smuggled request.
    QTest::newRow("chunked with a length") << "GET / HTTP/1.1\r\nTransfer-Encoding: chunked\r\nContent-Length: 5\r\n\r\n"
                                              "0\r\n\r\n" + putRequest << 400;
    QTest::newRow("NUL in the head") << QByteArray("GET / HTTP/1.1\r\nX-A: a\0b\r\n\r\n", 29) << 400;
    QTest::newRow("bare CR in the head") << QByteArray("GET / HTTP/1.1\r\nX-A: a\rb\r\n\r\n") << 400;
}

void TestServizioAttacks::badHeadsAreRefused()
{
    QFETCH(QByteArray, request);
    QFETCH(int, status);
    start({u"--head-timeout"_s, u"1"_s, u"--put-limit"_s, u"0"_s});
    const QByteArray reply = RawConnections::exchange(m_service->port(), request);
    QVERIFY2(reply.startsWith("HTTP/1.1 " + QByteArray::number(status) + ' '), reply.left(200).constData());
    QCOMPARE(reply.count("HTTP/1.1 "), 1); // one answer, then the connection closed
    QVERIFY(reply.contains("<TITLE>"));
    QVERIFY(roomEmpty());
}

void TestServizioAttacks::piecesAndPipelinesAreServed_data()
{
    QTest::addColumn<int>("piece");
    QTest::newRow("one byte at a time") << 1;
    QTest::newRow("seven bytes at a time") << 7;
    QTest::newRow("all at once") << (1 << 20);
}

void TestServizioAttacks::piecesAndPipelinesAreServed()
{
    QFETCH(int, piece);
    start({u"--put-limit"_s, u"0"_s});
    // The last poll waits behind the put, so it shows the message.
    const QByteArray reply =
        RawConnections::exchange(m_service->port(), pollRequest + putRequest + pollAndClose, piece);
    QCOMPARE(reply.count("HTTP/1.1 200 OK"), 3);
    const qsizetype stored = reply.indexOf("<TITLE>MESSAGGIO INVIATO</TITLE>");
    QVERIFY(stored > reply.indexOf(RispostaChat::NessunDato.toLatin1()));
    QVERIFY(reply.indexOf("ciao", stored) > stored);
}

void TestServizioAttacks::capsCloseNewConnectionsAtOnce_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("perAddress"); // of the connections held open
    QTest::addColumn<bool>("othersServed");
    QTest::newRow("per address") << QStringList{u"--max-per-address"_s, u"4"_s} << 4 << true;
    QTest::newRow("in all") << QStringList{u"--max-connections"_s, u"4"_s} << 1 << false;
}

void TestServizioAttacks::capsCloseNewConnectionsAtOnce()
{
    QFETCH(QStringList, options);
    QFETCH(int, perAddress);
    QFETCH(bool, othersServed);
    start(options + QStringList{u"--idle-timeout"_s, u"3"_s});
    RawConnections held;
    QCOMPARE(held.open(m_service->port(), 4, perAddress), 4);
    held.sendAll(pollRequest);
    QCOMPARE(held.closedWithin(10000), 0); // served, and kept alive
    QVERIFY(pollAnswered() == othersServed);
    RawConnections over; // from the first address again
    QCOMPARE(over.open(m_service->port(), 1, perAddress), 1);
    QCOMPARE(over.closedWithin(10000), 1);
    QCOMPARE(held.closedWithin(30000), 4); // once silent for the idle time-out

    QTRY_VERIFY(pollAnswered());
}

void TestServizioAttacks::attacksLeaveMemoryBounded_data()
{
    QTest::addColumn<int>("connections");
    QTest::addColumn<int>("perAddress");
    QTest::addColumn<QByteArray>("stream"); // sent over and over on each
    QTest::addColumn<bool>("othersServed");
    QTest::newRow("200 streaming header lines") << 200 << 50 << "X-Filler: " + QByteArray(140, 'x') + "\r\n" << true;
    QTest::newRow("5,000 idle") << 5000 << 50 << QByteArray() << true;
    // Half opened by a second process: this one may not hold 20,000 descriptors.
    QTest::newRow("20,000 at once") << 20000 << 50 << QByteArray() << false;
}

void TestServizioAttacks::attacksLeaveMemoryBounded()
{
    QFETCH(int, connections);
    QFETCH(int, perAddress);
    QFETCH(QByteArray, stream);
    QFETCH(bool, othersServed);
    start({u"--head-timeout"_s, u"60"_s});
    QVERIFY(pollAnswered());
    const qint64 idleKb = m_service->residentKb();
    QVERIFY(idleKb > 0);
    const qint64 boundKb = 2 * idleKb + 64 * 1024;

    // The idle ones are polled once first, so that each has surely been accepted (or refused).
    const QByteArray first = stream.isEmpty() ? pollRequest : "GET /getmsgchat.asp HTTP/1.1\r\n";
    const int half = connections > 10000 ? connections / 2 : 0;
    int toParent[2], toHelper[2];
    QVERIFY(::pipe(toParent) == 0 && ::pipe(toHelper) == 0);
    const pid_t helper = half > 0 ? fork() : -1;
    if (helper == 0) {
        ::close(toHelper[1]); // so that the parent's end closing ends the wait below
        RawConnections theirs;
        int closed = theirs.open(m_service->port(), half, perAddress, 1000) == half ? 0 : -1;
        theirs.sendAll(first);
        closed = closed < 0 ? closed : theirs.closedWithin(60000);
        char done = 0;
        [[maybe_unused]] const bool told = write(toParent[1], &closed, sizeof closed) == sizeof closed
            && read(toHelper[0], &done, 1) == 0; // held until the parent has measured
        _exit(0);
    }
    // Whatever fails, the helper is told to go and waited for.
    bool released = false;
    const auto release = [&] {
        for (const int fd : {toParent[0], toParent[1], toHelper[0], toHelper[1]})
            ::close(fd);
        if (helper > 0)
            waitpid(helper, nullptr, 0);
        released = true;
    };
    const auto guard = qScopeGuard([&] {
        if (!released)
            release();
    });
    RawConnections attack;
    QCOMPARE(attack.open(m_service->port(), connections - half, perAddress), connections - half);
    attack.sendAll(first);
    // 90 lines of 152 bytes: near both limits, then past them.
    for (int i = 0; i < 90 && !stream.isEmpty(); ++i)
        attack.sendAll(stream);
    const qint64 heldKb = m_service->residentKb();
    for (int i = 0; i < 60 && !stream.isEmpty(); ++i)
        attack.sendAll(stream);
    int theirClosed = 0;
    QVERIFY(helper <= 0 || read(toParent[0], &theirClosed, sizeof theirClosed) == sizeof theirClosed);
    // Past the hundredth line each gets its 431; past the cap of 10,000 each is closed at once.
    const int closed = attack.closedWithin(60000) + theirClosed;
    QCOMPARE(closed, stream.isEmpty() ? std::max(0, connections - 10000) : connections);
    QVERIFY(othersServed ? pollAnswered() : true);
    const qint64 duringKb = std::max(heldKb, m_service->residentKb());
    qInfo("resident memory: %lld KB idle, %lld KB under attack", idleKb, duringKb);
    QVERIFY2(heldKb > 0 && duringKb < boundKb, qPrintable(u"%1 KB of %2 KB"_s.arg(duringKb).arg(boundKb)));

    attack.closeAll();
    release();
    QTRY_VERIFY(pollAnswered());
    QTRY_VERIFY2(m_service->residentKb() < idleKb + 16 * 1024, qPrintable(u"%1 KB after, %2 KB idle"_s
                                                                            .arg(m_service->residentKb())
                                                                            .arg(idleKb)));
}

QTEST_GUILESS_MAIN(TestServizioAttacks)
#include "tst_ServizioAttacks.moc"
