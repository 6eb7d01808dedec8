#include "BuildConfig.h"
#include "IndirizziChat.h"
#include "RuntimeErrorOf.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString Sito = QString::fromUtf8(BuildConfig::makerSite);

} // namespace

class tst_IndirizziChat : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void codifica_data();
    void codifica();
    void codificaLengthLimit();
    void baseAddressPerMode();
    void pagesPerRoom();
    void pollAndPutAddresses();
    void makerPagesAndHelp();
};

void tst_IndirizziChat::codifica_data()
{
    QTest::addColumn<QString>("testo");
    QTest::addColumn<QString>("codificato");

    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("a b") << u"a b"_s << u"%61%20%62"_s;
    QTest::newRow("ciao") << u"ciao"_s << u"%63%69%61%6F"_s;
    QTest::newRow("è") << u"è"_s << u"%E8"_s;
    QTest::newRow("CR LF") << u"\r\n"_s << u"%0D%0A"_s;
    QTest::newRow("euro and dash from 0x80-0x9F") << u"€—"_s << u"%80%97"_s;
    QTest::newRow("reserved characters too") << u"&=?%+"_s << u"%26%3D%3F%25%2B"_s;
    QTest::newRow("outside the code page") << u"ж😀"_s << u"%3F%3F"_s;
    QTest::newRow("NUL") << QString(QChar(0)) << u"%00"_s;
}

void tst_IndirizziChat::codifica()
{
    QFETCH(QString, testo);
    QFETCH(QString, codificato);
    QCOMPARE(IndirizziChat::Codifica(testo), codificato);
}

void tst_IndirizziChat::codificaLengthLimit()
{
    const QString lungo(32766, u'x');
    const QString codificato = IndirizziChat::Codifica(lungo);
    QCOMPARE(codificato.size(), 32766 * 3);
    QVERIFY(codificato.startsWith(u"%78%78"_s));
    QCOMPARE(runtimeErrorOf([] { IndirizziChat::Codifica(QString(32767, u'x')); }), 6);
    QCOMPARE(runtimeErrorOf([] { IndirizziChat::Codifica(QString(100000, u'x')); }), 6);
}

void tst_IndirizziChat::baseAddressPerMode()
{
    QCOMPARE(IndirizziChat::indirizzoBase(true, false, QString()), Sito);
    QCOMPARE(IndirizziChat::indirizzoBase(true, true, QString()),
             u"http://"_s + QLatin1StringView(BuildConfig::localHost) + u"/chat/"_s);
    QCOMPARE(IndirizziChat::indirizzoBase(false, false, u"HTTP://chat.example.org/"_s), u"HTTP://chat.example.org/"_s);
    QCOMPARE(IndirizziChat::indirizzoBase(false, true, u"http://x/"_s), u"http://x/"_s);
}

void tst_IndirizziChat::pagesPerRoom()
{
    QCOMPARE(IndirizziChat::paginaLettura(true, 0), u"getmsgchat.asp"_s);
    QCOMPARE(IndirizziChat::paginaLettura(true, 1), u"getmsgchat1.asp"_s);
    QCOMPARE(IndirizziChat::paginaLettura(true, 3), u"getmsgchat3.asp"_s);
    QCOMPARE(IndirizziChat::paginaInvio(true, 0), u"putmsgchat.asp"_s);
    QCOMPARE(IndirizziChat::paginaInvio(true, 2), u"putmsgchat2.asp"_s);
    QCOMPARE(IndirizziChat::paginaLettura(false, 0), u"getciarlachat.asp"_s);
    QCOMPARE(IndirizziChat::paginaInvio(false, 3), u"putciarlachat.asp"_s);
    QCOMPARE(runtimeErrorOf([] { IndirizziChat::paginaLettura(true, 4); }), 5);
    QCOMPARE(runtimeErrorOf([] { IndirizziChat::paginaInvio(true, -1); }), 5);
}

void tst_IndirizziChat::pollAndPutAddresses()
{
    const QString privato = u"http://chat.example.org/"_s;
    QCOMPARE(IndirizziChat::indirizzoLettura(privato, false, 0), u"http://chat.example.org/getciarlachat.asp"_s);
    QCOMPARE(IndirizziChat::indirizzoLettura(Sito, true, 2), Sito + u"getmsgchat2.asp"_s);

    QCOMPARE(IndirizziChat::indirizzoInvio(Sito, true, 1, u"a b"_s, u"ciao"_s),
             Sito + u"putmsgchat1.asp?NOME=%61%20%62&messaggio=%63%69%61%6F"_s);
    QCOMPARE(IndirizziChat::indirizzoInvio(privato, false, 0, u" "_s, QString()),
             u"http://chat.example.org/putciarlachat.asp?NOME=%20&messaggio="_s);
    QCOMPARE(runtimeErrorOf([&] { IndirizziChat::indirizzoInvio(privato, false, 0, QString(40000, u'n'), u"x"_s); }), 6);
}

void tst_IndirizziChat::makerPagesAndHelp()
{
    QCOMPARE(IndirizziChat::indirizzoHomepage(), Sito);
    // Version 1.0.6 asks with ver=1%200%206%200: four numbers, the last always 0.
    const QStringList numeri{QString::number(BuildConfig::versionMajor), QString::number(BuildConfig::versionMinor),
                             QString::number(BuildConfig::versionRevision), u"0"_s};
    QCOMPARE(IndirizziChat::indirizzoAggiornamento(), Sito + u"ciarlachat.asp?ver="_s + numeri.join(u"%20"_s));
    QCOMPARE(IndirizziChat::indirizzoMiaChat(), Sito + u"miachat.asp"_s);
    QCOMPARE(IndirizziChat::indirizzoValligiani(), Sito + u"valligianichat.asp"_s);
    QCOMPARE(IndirizziChat::indirizzoGuida(u"/opt/ciarla"_s), u"/opt/ciarla/ciarlachat.pdf"_s);
    QCOMPARE(IndirizziChat::indirizzoGuida(u"/opt/ciarla/"_s), u"/opt/ciarla/ciarlachat.pdf"_s);
}

QTEST_MAIN(tst_IndirizziChat)
#include "tst_IndirizziChat.moc"
