#include "BuildConfig.h"
#include "IndirizziChat.h"
#include "RuntimeErrorOf.h"

#include <QTest>

using namespace Qt::StringLiterals;

class tst_IndirizziChat : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void codifica_data()
    {
        QTest::addColumn<QString>("testo");
        QTest::addColumn<QString>("codificato"); // "#N": run-time error N; the window's sends show the common cases
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("euro and dash from 0x80-0x9F") << u"€—"_s << u"%80%97"_s;
        QTest::newRow("reserved characters too") << u"&=?%+"_s << u"%26%3D%3F%25%2B"_s;
        QTest::newRow("outside the code page") << u"ж😀"_s << u"%3F%3F"_s;
        QTest::newRow("NUL") << QString(QChar(0)) << u"%00"_s;
        QTest::newRow("longest") << QString(32766, u'x') << u"%78"_s.repeated(32766);
        QTest::newRow("too long") << QString(32767, u'x') << u"#6"_s;
    }

    void codifica()
    {
        QFETCH(QString, testo);
        QFETCH(QString, codificato);
        QString risultato;
        const int errore = runtimeErrorOf([&] { risultato = IndirizziChat::Codifica(testo); });
        QCOMPARE(errore ? u"#"_s + QString::number(errore) : risultato, codificato);
    }

    void addresses()
    {
        const QString sito = QString::fromUtf8(BuildConfig::makerSite);
        const QString privato = u"http://chat.example.org/"_s;
        QCOMPARE(IndirizziChat::indirizzoBase(true, false, QString()), sito);
        QCOMPARE(IndirizziChat::indirizzoBase(true, true, QString()),
                 u"http://"_s + QLatin1StringView(BuildConfig::localHost) + u"/chat/"_s);
        QCOMPARE(IndirizziChat::indirizzoBase(false, true, privato), privato);
        // Room 0 has no number; a private server has one page for every room.
        QCOMPARE(IndirizziChat::paginaLettura(true, 0) + IndirizziChat::paginaLettura(true, 3)
                     + IndirizziChat::paginaInvio(true, 2) + IndirizziChat::paginaInvio(false, 3),
                 u"getmsgchat.aspgetmsgchat3.aspputmsgchat2.aspputciarlachat.asp"_s);
        QCOMPARE(runtimeErrorOf([] { IndirizziChat::paginaLettura(true, 4); }), 5);
        QCOMPARE(runtimeErrorOf([] { IndirizziChat::paginaInvio(true, -1); }), 5);
        QCOMPARE(IndirizziChat::indirizzoLettura(privato, false, 0), privato + u"getciarlachat.asp"_s);
        QCOMPARE(IndirizziChat::indirizzoInvio(privato, false, 0, u" "_s, QString()),
                 privato + u"putciarlachat.asp?NOME=%20&messaggio="_s);
        QCOMPARE(runtimeErrorOf([&] { IndirizziChat::indirizzoInvio(privato, false, 0, QString(40000, u'n'), u"x"_s); }), 6);
        // Version 1.0.6 asks with ver=1%200%206%200: four numbers, the last always 0.
        QCOMPARE(IndirizziChat::indirizzoAggiornamento(), sito + u"ciarlachat.asp?ver=%1%20%2%20%3%200"_s.arg(
                     BuildConfig::versionMajor).arg(BuildConfig::versionMinor).arg(BuildConfig::versionRevision));
        QCOMPARE(IndirizziChat::indirizzoGuida(u"/opt/ciarla"_s), u"/opt/ciarla/ciarlachat.pdf"_s);
        QCOMPARE(IndirizziChat::indirizzoGuida(u"/opt/ciarla/"_s), u"/opt/ciarla/ciarlachat.pdf"_s);
    }
};

QTEST_MAIN(tst_IndirizziChat)
#include "tst_IndirizziChat.moc"
