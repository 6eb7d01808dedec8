#include "BuildConfig.h"
#include "CharacterReferences.h"
#include "IndirizziChat.h"
#include "RuntimeErrorOf.h"

#include <QDir>
#include <QTemporaryDir>
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
        QTest::newRow("outside the code page as references") << u"ж😀"_s
                                                             << u"%26%23%31%30%37%38%3B%26%23%31%32%38%35%31%32%3B"_s;
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

    void references_data()
    {
        QTest::addColumn<QString>("testo");
        QTest::addColumn<QString>("codificato");
        QTest::newRow("Cyrillic and emoji") << u"Привет 😀"_s << u"&#1055;&#1088;&#1080;&#1074;&#1077;&#1090; &#128512;"_s;
        QTest::newRow("Greek and CJK") << u"αβ 中"_s << u"&#945;&#946; &#20013;"_s;
        QTest::newRow("code page text stays") << u"è€ &#233; &#65; &#x41F; &# &#; & &amp;"_s
                                              << u"è€ &#233; &#65; &#x41F; &# &#; & &amp;"_s;
        QTest::newRow("typed reference") << u"&#1055;"_s << u"&amp;#1055;"_s;
        QTest::newRow("typed escaped reference") << u"&amp;amp;#1055;"_s << u"&amp;amp;amp;#1055;"_s;
        QTest::newRow("ampersand before a character") << u"&П"_s << u"&&#1055;"_s;
        QTest::newRow("no such character") << u"&#55357; &#1114112; &#12345678; &#0;"_s
                                           << u"&#55357; &#1114112; &#12345678; &#0;"_s;
    }

    void references()
    {
        QFETCH(QString, testo);
        QFETCH(QString, codificato);
        QCOMPARE(CharacterReferences::encode(testo), codificato);
        QCOMPARE(CharacterReferences::decode(codificato), testo);
    }

    void serviceSetting_data()
    {
        QTest::addColumn<QStringList>("files"); // ciarlachat.conf of two system folders, in order; "" none
        QTest::addColumn<QString>("root");      // "" for the address the programs were built with
        QTest::newRow("no file") << QStringList{u""_s, u""_s} << QString();
        QTest::newRow("slash added") << QStringList{u"servizio=https://chat.example.org:8443/ciarla"_s, u""_s}
                                     << u"https://chat.example.org:8443/ciarla/"_s;
        QTest::newRow("first folder wins") << QStringList{u"servizio=http://uno.example/"_s,
                                                          u"servizio=http://due.example/"_s} << u"http://uno.example/"_s;
        QTest::newRow("no key falls through") << QStringList{u"altro=1"_s, u"servizio=http://due.example/"_s}
                                              << u"http://due.example/"_s;
        QTest::newRow("not http") << QStringList{u"servizio=ftp://chat.example.org/"_s, u""_s} << QString();
    }

    void serviceSetting()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, root);
        QTemporaryDir dir;
        for (int i = 0; i < files.size(); ++i) {
            QVERIFY(QDir().mkpath(dir.filePath(u"%1/ciarlachat"_s.arg(i))));
            QFile conf(dir.filePath(u"%1/ciarlachat/ciarlachat.conf"_s.arg(i)));
            QVERIFY(files[i].isEmpty() || (conf.open(QIODevice::WriteOnly) && conf.write(files[i].toUtf8()) > 0));
        }
        const QByteArray saved = qgetenv("XDG_CONFIG_DIRS");
        qputenv("XDG_CONFIG_DIRS", dir.filePath(u"0"_s).toUtf8() + ':' + dir.filePath(u"1"_s).toUtf8());
        const QString base = IndirizziChat::indirizzoBase(true, false, QString());
        qputenv("XDG_CONFIG_DIRS", saved);
        QCOMPARE(base, root.isEmpty() ? QString::fromUtf8(BuildConfig::makerSite) : root);
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
