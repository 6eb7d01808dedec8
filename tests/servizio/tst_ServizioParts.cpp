// The pieces of ciarla-servizio that decide what is stored and what is shown.
#include "BanDuration.h"
#include "ClientAddressResolver.h"
#include "ConnectionLimiter.h"
#include "FloodGuard.h"
#include "MessageRules.h"
#include "PageKind.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestServizioParts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void floodGuardCountsPerSenderWithinTheWindow();
    void rules_data();
    void rules();
    void clientAddress_data();
    void clientAddress();
    void trustedProxyPassesTheCapPerAddressOnly();
    void ipv6ClientsAreCappedByTheir64();
    void banDurations_data();
    void banDurations();
    void pageKinds_data();
    void pageKinds();
};

void TestServizioParts::floodGuardCountsPerSenderWithinTheWindow()
{
    FloodGuard guard(2, 1000);
    const QString a = u"192.0.2.1"_s;
    guard.record(a, 0);
    guard.record(a, 400);
    QVERIFY(!guard.allows(a, 999));
    QVERIFY(guard.allows(u"192.0.2.2"_s, 500));
    QVERIFY(guard.allows(a, 1000)); // the first has left the window
    guard.record(a, 1000);
    QVERIFY(!guard.allows(a, 1001));

    // Idle senders are swept away; those seen within the window are still counted.
    FloodGuard one(1, 1000);
    for (int i = 0; i < 5000; ++i)
        one.record(u"10.0.%1.%2"_s.arg(i / 256).arg(i % 256), i);
    QVERIFY(!one.allows(u"10.0.19.135"_s, 5000)); // recorded at 4999
    QVERIFY(one.allows(u"10.0.0.0"_s, 5000));
}

void TestServizioParts::rules_data()
{
    QTest::addColumn<QString>("nick"); // a null one is missing
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("refused");
    const QString emoji = QString::fromUtf8("😀").repeated(600); // characters are counted, not bytes
    QTest::newRow("30 accented letters of nick") << QString(30, QChar(0x00E8)) << u"ok"_s << false;
    QTest::newRow("600 emoji") << u"n"_s << emoji << false;
    QTest::newRow("601 characters") << u"n"_s << emoji + u'x' << true;
    QTest::newRow("31 characters of nick") << QString(31, u'n') << u"x"_s << true;
    QTest::newRow("empty nick") << QString::fromLatin1("") << u"x"_s << true;
    QTest::newRow("no message") << u"n"_s << QString() << true;
    QTest::newRow("tab in nick") << u"tab\tnick"_s << u"x"_s << true;
    QTest::newRow("line break in nick") << u"a\r\nb"_s << u"x"_s << true;
    QTest::newRow("tab and line break in message") << u"n"_s << u"tab\tand\r\nbreak"_s << false;
    QTest::newRow("NUL in message") << u"n"_s << QString::fromLatin1("a\0b", 3) << true;
}

void TestServizioParts::rules()
{
    QFETCH(QString, nick);
    QFETCH(QString, message);
    QFETCH(bool, refused);
    const auto given = [](const QString &text) { return text.isNull() ? std::nullopt : std::optional(text); };
    QCOMPARE(MessageRules::refusal(given(nick), given(message)).has_value(), refused);
}

void TestServizioParts::clientAddress_data()
{
    QTest::addColumn<QString>("peer");
    QTest::addColumn<QByteArray>("forwardedFor");
    QTest::addColumn<QString>("client");
    // Trusted below: 10.0.0.1 and the subnet 192.168.5.0/24.
    QTest::newRow("untrusted peer, forged header") << "203.0.113.4" << QByteArray("198.51.100.1") << "203.0.113.4";
    QTest::newRow("trusted, no header") << "10.0.0.1" << QByteArray() << "10.0.0.1";
    QTest::newRow("mapped IPv4 peer") << "::ffff:10.0.0.1" << QByteArray("198.51.100.1") << "198.51.100.1";
    QTest::newRow("client's own forgery left of it") << "10.0.0.1" << QByteArray("6.6.6.6, 198.51.100.1")
                                                     << "198.51.100.1";
    QTest::newRow("trusted chain") << "10.0.0.1" << QByteArray("198.51.100.1, 192.168.5.9") << "198.51.100.1";
    QTest::newRow("garbage from a trusted proxy") << "10.0.0.1" << QByteArray("unknown") << "10.0.0.1";
    QTest::newRow("IPv6 client") << "192.168.5.2" << QByteArray("2001:db8::7") << "2001:db8::7";
    QTest::newRow("scope id and more from a trusted proxy") << "10.0.0.1" << QByteArray("fe80::1%<b>x y") << "10.0.0.1";
    QTest::newRow("endless chain of trusted hops")
        << "10.0.0.1" << QByteArray("198.51.100.1").append(QByteArray(", 10.0.0.1").repeated(40)) << "10.0.0.1";
}

void TestServizioParts::clientAddress()
{
    QFETCH(QString, peer);
    QFETCH(QByteArray, forwardedFor);
    QFETCH(QString, client);
    ClientAddressResolver resolver;
    QVERIFY(resolver.trust(u"10.0.0.1"_s) && resolver.trust(u"192.168.5.0/24"_s));
    QVERIFY(!resolver.trust(u"proxy.example"_s));
    QCOMPARE(resolver.resolve(QHostAddress(peer), forwardedFor), QHostAddress(client));
}

void TestServizioParts::trustedProxyPassesTheCapPerAddressOnly()
{
    ClientAddressResolver proxies;
    QVERIFY(proxies.trust(u"10.0.0.1"_s));
    ConnectionLimiter limiter(5, 2, proxies);
    const QHostAddress proxy(u"10.0.0.1"_s), client(u"10.0.0.2"_s);
    using Verdict = ConnectionLimiter::Verdict;
    QVERIFY(limiter.admit(client) == Verdict::Admitted && limiter.admit(client) == Verdict::Admitted);
    QCOMPARE(limiter.admit(client), Verdict::OverPerAddress);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(limiter.admit(proxy), Verdict::Admitted);
    QCOMPARE(limiter.admit(proxy), Verdict::OverTotal); // five open in all
    limiter.release(client);
    QCOMPARE(limiter.admit(proxy), Verdict::Admitted);
    QCOMPARE(limiter.open(), 5);
}

void TestServizioParts::ipv6ClientsAreCappedByTheir64()
{
    const ClientAddressResolver noProxies;
    ConnectionLimiter limiter(10, 2, noProxies);
    const QHostAddress one(u"2001:db8:0:1::1"_s), sameSubnet(u"2001:db8:0:1:ffff::2"_s), next(u"2001:db8:0:2::1"_s);
    using Verdict = ConnectionLimiter::Verdict;
    QVERIFY(limiter.admit(one) == Verdict::Admitted && limiter.admit(sameSubnet) == Verdict::Admitted);
    QCOMPARE(limiter.admit(one), Verdict::OverPerAddress);
    QCOMPARE(limiter.admit(next), Verdict::Admitted);
    limiter.release(sameSubnet);
    QCOMPARE(limiter.admit(one), Verdict::Admitted);
}

void TestServizioParts::pageKinds_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("kind");
    QTest::newRow("poll under /chat/, any case") << QByteArray("/chat/GetMsgChat2.asp") << QByteArray("poll");
    QTest::newRow("put") << QByteArray("/putmsgchat.asp") << QByteArray("put");
    QTest::newRow("event stream") << QByteArray("/api/v1/rooms/stanza1/events") << QByteArray("events");
    QTest::newRow("events outside v1") << QByteArray("/api/v2/rooms/stanza1/events") << QByteArray("api");
    QTest::newRow("api") << QByteArray("/api/v1/rooms") << QByteArray("api");
    QTest::newRow("web page") << QByteArray("/web") << QByteArray("web");
    QTest::newRow("web asset") << QByteArray("/web/app.js") << QByteArray("web");
    QTest::newRow("web prefix alone") << QByteArray("/webcam") << QByteArray("other");
    QTest::newRow("site") << QByteArray("/") << QByteArray("other");
}

void TestServizioParts::pageKinds()
{
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, kind);
    QCOMPARE(QByteArray(PageKinds::name(PageKinds::of(path))), kind);
}

void TestServizioParts::banDurations_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("seconds"); // 0: refused
    QTest::newRow("seconds") << u"90s"_s << qint64(90);
    QTest::newRow("minutes") << u"30m"_s << qint64(1800);
    QTest::newRow("hours") << u"12h"_s << qint64(43200);
    QTest::newRow("days") << u"7d"_s << qint64(604800);
    QTest::newRow("a century") << u"36525d"_s << qint64(36525) * 86400;
    QTest::newRow("over a century") << u"36526d"_s << qint64(0);
    QTest::newRow("overflowing") << u"99999999999999999h"_s << qint64(0);
    QTest::newRow("no unit") << u"90"_s << qint64(0);
    QTest::newRow("zero") << u"0m"_s << qint64(0);
    QTest::newRow("negative") << u"-5m"_s << qint64(0);
    QTest::newRow("blank inside") << u"5 m"_s << qint64(0);
    QTest::newRow("two units") << u"1h30m"_s << qint64(0);
}

void TestServizioParts::banDurations()
{
    QFETCH(QString, text);
    QFETCH(qint64, seconds);
    QCOMPARE(BanDuration::seconds(text).value_or(0), seconds);
}

QTEST_GUILESS_MAIN(TestServizioParts)
#include "tst_ServizioParts.moc"
