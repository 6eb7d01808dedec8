// The pieces of ciarla-servizio that decide what is stored and what is shown.
#include "ChatMarkup.h"
#include "ClientAddressResolver.h"
#include "ConnectionLimiter.h"
#include "FloodGuard.h"
#include "MessageRules.h"
#include "QueryText.h"
#include "RispostaChat.h"

#include <QRandomGenerator>
#include <QtTest>

class TestServizioParts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void markupComesBackAsTyped();
    void markupHoldsNoOtherTags();
    void queryValues_data();
    void queryValues();
    void floodGuardCountsPerSenderWithinTheWindow();
    void floodGuardForgetsIdleSenders();
    void rulesCountCharactersNotBytes();
    void clientAddress_data();
    void clientAddress();
    void trustedProxyPassesTheCapPerAddressOnly();
};

// Texts built from the pieces most likely to confuse the client's reader.
void TestServizioParts::markupComesBackAsTyped()
{
    const QStringList pieces = {QStringLiteral("<"), QStringLiteral("&"), QStringLiteral("lt"), QStringLiteral(";"),
                                QStringLiteral(":"), QStringLiteral(")"), QStringLiteral("("), QStringLiteral("\r\n"),
                                QStringLiteral("\n"), QStringLiteral(" "), QStringLiteral("b>"), QStringLiteral("/b"),
                                QStringLiteral("BR>"), QStringLiteral("!-- /0 -->"), QStringLiteral("img src=smile.gif"),
                                QStringLiteral("è"), QStringLiteral("x")};
    QRandomGenerator random(20261206);
    for (int round = 0; round < 20000; ++round) {
        QString text;
        const int length = random.bounded(12);
        for (int i = 0; i < length; ++i)
            text += pieces.at(random.bounded(int(pieces.size())));
        if (text.contains(QStringLiteral("&lt;")))
            continue; // the one text the client cannot get back
        const QString field = QStringLiteral("<!-- MSG -->") + ChatMarkup::encodeField(text) + RispostaChat::FineCampo;
        const QString value = RispostaChat::valoreGrezzo(QStringLiteral("<!-- MSG -->"), field).toString();
        QString expected = text;
        expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\n', QStringLiteral("\r\n"));
        QVERIFY2(RispostaChat::decodifica(value) == expected, qPrintable(text.toHtmlEscaped()));
    }
}

void TestServizioParts::markupHoldsNoOtherTags()
{
    const QString value = ChatMarkup::encodeField(QStringLiteral(" <!-- /0 --> :) <b>\r\n"));
    QCOMPARE(value, QStringLiteral("<b></b> &lt;!-- /0 --> ") + ChatMarkup::smile + QStringLiteral(" &lt;b><BR>"));
}

void TestServizioParts::queryValues_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("present");
    QTest::addColumn<QString>("value");
    QTest::newRow("client's encoding") << "NOME=%61%20%62&messaggio=%63%69%61%6F" << "messaggio" << true << "ciao";
    QTest::newRow("key in any case") << "nome=x" << "NOME" << true << "x";
    QTest::newRow("first of two") << "NOME=a&NOME=b" << "NOME" << true << "a";
    QTest::newRow("empty value") << "NOME=&messaggio=" << "messaggio" << true << "";
    QTest::newRow("key without =") << "messaggio&NOME=a" << "messaggio" << true << "";
    QTest::newRow("missing") << "NOME=a" << "messaggio" << false << "";
    QTest::newRow("escaped key") << "%4E%4F%4D%45=z" << "NOME" << true << "z";
}

void TestServizioParts::queryValues()
{
    QFETCH(QString, query);
    QFETCH(QString, key);
    QFETCH(bool, present);
    QFETCH(QString, value);
    const std::optional<QString> found = QueryText::value(query, key);
    QCOMPARE(found.has_value(), present);
    if (present)
        QCOMPARE(*found, value);
}

void TestServizioParts::floodGuardCountsPerSenderWithinTheWindow()
{
    FloodGuard guard(2, 1000);
    const QString a = QStringLiteral("192.0.2.1");
    const QString b = QStringLiteral("192.0.2.2");
    QVERIFY(guard.allows(a, 0));
    guard.record(a, 0);
    guard.record(a, 400);
    QVERIFY(!guard.allows(a, 500));
    QVERIFY(guard.allows(b, 500));
    QVERIFY(!guard.allows(a, 999));
    QVERIFY(guard.allows(a, 1000)); // the first has left the window
    guard.record(a, 1000);
    QVERIFY(!guard.allows(a, 1001));
}

void TestServizioParts::floodGuardForgetsIdleSenders()
{
    FloodGuard guard(1, 1000);
    for (int i = 0; i < 5000; ++i)
        guard.record(QStringLiteral("10.0.%1.%2").arg(i / 256).arg(i % 256), i);
    // Senders seen within the window are still counted after the sweeps.
    QVERIFY(!guard.allows(QStringLiteral("10.0.19.135"), 5000)); // recorded at 4999
    QVERIFY(guard.allows(QStringLiteral("10.0.0.0"), 5000));
}

void TestServizioParts::rulesCountCharactersNotBytes()
{
    const QString accented(30, QChar(0x00E8));
    QVERIFY(!MessageRules::refusal(accented, QStringLiteral("ok")));
    QString emoji;
    for (int i = 0; i < 600; ++i)
        emoji += QString::fromUtf8("😀");
    QVERIFY(!MessageRules::refusal(QStringLiteral("n"), emoji));
    QVERIFY(MessageRules::refusal(QStringLiteral("n"), emoji + u'x'));
    QVERIFY(MessageRules::refusal(QString(), QStringLiteral("x")));
    QVERIFY(MessageRules::refusal(std::nullopt, QStringLiteral("x")));
    QVERIFY(MessageRules::refusal(QStringLiteral("tab\tnick"), QStringLiteral("x")));
    QVERIFY(!MessageRules::refusal(QStringLiteral("n"), QStringLiteral("tab\tand\r\nbreak")));
}

void TestServizioParts::clientAddress_data()
{
    QTest::addColumn<QString>("peer");
    QTest::addColumn<QByteArray>("forwardedFor");
    QTest::addColumn<QString>("client");
    // Trusted below: 10.0.0.1 and the subnet 192.168.5.0/24.
    QTest::newRow("untrusted peer, forged header") << "203.0.113.4" << QByteArray("198.51.100.1") << "203.0.113.4";
    QTest::newRow("trusted, no header") << "10.0.0.1" << QByteArray() << "10.0.0.1";
    QTest::newRow("trusted, one client") << "10.0.0.1" << QByteArray("198.51.100.1") << "198.51.100.1";
    QTest::newRow("mapped IPv4 peer") << "::ffff:10.0.0.1" << QByteArray("198.51.100.1") << "198.51.100.1";
    QTest::newRow("client's own forgery left of it") << "10.0.0.1" << QByteArray("6.6.6.6, 198.51.100.1")
                                                     << "198.51.100.1";
    QTest::newRow("trusted chain") << "10.0.0.1" << QByteArray("198.51.100.1, 192.168.5.9") << "198.51.100.1";
    QTest::newRow("garbage from a trusted proxy") << "10.0.0.1" << QByteArray("unknown") << "10.0.0.1";
    QTest::newRow("IPv6 client") << "192.168.5.2" << QByteArray("2001:db8::7") << "2001:db8::7";
    QTest::newRow("endless chain of trusted hops")
        << "10.0.0.1" << QByteArray("198.51.100.1").append(QByteArray(", 10.0.0.1").repeated(40)) << "10.0.0.1";
}

void TestServizioParts::clientAddress()
{
    QFETCH(QString, peer);
    QFETCH(QByteArray, forwardedFor);
    QFETCH(QString, client);
    ClientAddressResolver resolver;
    QVERIFY(resolver.trust(QStringLiteral("10.0.0.1")));
    QVERIFY(resolver.trust(QStringLiteral("192.168.5.0/24")));
    QVERIFY(!resolver.trust(QStringLiteral("proxy.example")));
    QCOMPARE(resolver.resolve(QHostAddress(peer), forwardedFor), QHostAddress(client));
}

void TestServizioParts::trustedProxyPassesTheCapPerAddressOnly()
{
    ClientAddressResolver proxies;
    QVERIFY(proxies.trust(QStringLiteral("10.0.0.1")));
    ConnectionLimiter limiter(5, 2, proxies);
    const QHostAddress proxy(QStringLiteral("10.0.0.1"));
    const QHostAddress client(QStringLiteral("10.0.0.2"));
    QVERIFY(limiter.admit(client));
    QVERIFY(limiter.admit(client));
    QVERIFY(!limiter.admit(client));
    for (int i = 0; i < 3; ++i)
        QVERIFY(limiter.admit(proxy));
    QVERIFY(!limiter.admit(proxy)); // five open in all
    limiter.release(client);
    QVERIFY(limiter.admit(proxy));
}

QTEST_GUILESS_MAIN(TestServizioParts)
#include "tst_ServizioParts.moc"
