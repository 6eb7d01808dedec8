#include "TestHttpServer.h"

#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

// A client written only from the automation contract, in Python, drives CiarlaServer.
class tst_Contract : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void pythonClient()
    {
        TestHttpServer http;
        http.setBody(u"/pagina"_s, "<html>ciao dal contratto</html>");
        TestHttpServer::Response slow;
        slow.body = "lenta";
        slow.delayMs = 1000;
        http.setResponse(u"/lenta"_s, slow);
        QProcess client;
        client.start(u"/usr/bin/python3"_s, {QStringLiteral(CONTRACT_CLIENT), http.url(u"/pagina"_s),
                                             u"http://127.0.0.1:%1/"_s.arg(TestHttpServer::closedPort()), http.url(u"/lenta"_s)});
        // The HTTP server lives in this process: keep the event loop running meanwhile.
        QTRY_VERIFY_WITH_TIMEOUT(client.state() == QProcess::NotRunning, 120000);
        const QString errors = QString::fromUtf8(client.readAllStandardError());
        QVERIFY2(client.exitCode() == 0, qPrintable(errors));
        const QStringList lines = QString::fromUtf8(client.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines, (QStringList{
                            u"library True"_s,
                            u"stato 0"_s,
                            u"FileRicevuto <html>ciao dal contratto</html>"_s,
                            u"Errore 12029 Impossibile stabilire una connessione con il server."_s,
                            u"stato 2"_s,
                            u"it.ciarlasoft.CiarlaServer.Errore 1009: Il server è occupato..."_s,
                            u"FileRicevuto lenta"_s,
                            u"unadvised stato 0 events 0"_s,
                        }));
    }
};

QTEST_GUILESS_MAIN(tst_Contract)
#include "tst_Contract.moc"
