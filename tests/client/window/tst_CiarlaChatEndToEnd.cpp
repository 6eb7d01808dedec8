// Real main windows, a real CiarlaServer started by the test's session bus and
// the local chat service ciarla-servizio on loopback.
#include "FrmMain.h"
#include "LimitedTextEdit.h"
#include "MessageBoxRecorder.h"
#include "ServiceProcess.h"
#include "WindowHarness.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <memory>

using namespace Qt::StringLiterals;

namespace {
constexpr int attesaLunga = 30000;
const QByteArray paginaLettura = " /getciarlachat.asp ";
const QByteArray paginaInvio = " /putciarlachat.asp ";
QString (*const trascrizione)(const FrmMain &) = &WindowHarness::trascrizione;
QString (*const spia)(const FrmMain &) = &WindowHarness::spia;
} // namespace

class tst_CiarlaChatEndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(QDBusConnection::sessionBus().isConnected());
        avviaServizio(0);
    }

    void firstPollThenOneEveryTickAndMessageTravels()
    {
        MessageBoxRecorder boxes;
        const QString nick = u"Anna \"l'ape\" & co. 100% Ж"_s;
        const QString testo = u"<b>ciao</b> a tutti & 50% di sconto &#1055;\nseconda riga: è € ñ Привет 😀 αβγ 中文"_s;
        auto mittente = apriFinestra(nick, false);
        QVERIFY(mittente);
        QSignalSpy tick(mittente->findChild<QTimer *>(u"tmrLetturaMsg"_s), &QTimer::timeout);
        const int prima = richieste(paginaLettura);
        mittente->show();
        mittente->activateWindow();
        QTRY_VERIFY_WITH_TIMEOUT(richieste(paginaLettura) > prima, attesaLunga);
        QTRY_COMPARE_WITH_TIMEOUT(trascrizione(*mittente), u"\r\nNESSUN MESSAGGIO"_s, attesaLunga);
        // Then one poll for every tick, no more.
        QTRY_VERIFY_WITH_TIMEOUT(tick.count() >= 2, attesaLunga);
        QTRY_COMPARE_WITH_TIMEOUT(richieste(paginaLettura) - prima, int(tick.count()) + 1, attesaLunga);
        auto lettore = apriFinestra(u"bruno"_s);
        QVERIFY(lettore);
        mittente->findChild<LimitedTextEdit *>(u"txtContenuto"_s)->setPlainText(testo);
        const int invii = richieste(paginaInvio);
        QTest::mouseClick(mittente->findChild<QPushButton *>(u"cmdInvia"_s), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(boxes.count() > 0, attesaLunga);
        QCOMPARE(boxes.lastBox(), u"64 Invio: Messaggio Inviato"_s);
        // The service may log the request after its reply has arrived.
        QTRY_COMPARE_WITH_TIMEOUT(richieste(paginaInvio), invii + 1, attesaLunga);
        // The other window shows it at one of its next polls: nick, time stamp,
        // the message's number (never the sender's address) and text, each character as typed.
        QTRY_VERIFY_WITH_TIMEOUT(trascrizione(*lettore).contains(u"seconda riga: è € ñ Привет 😀 αβγ 中文"_s), attesaLunga);
        const QString mostrato = trascrizione(*lettore);
        const QString paragrafi = QString(testo).replace(u"\n"_s, u"\r\n"_s); // the plain text ends paragraphs with CR LF
        QVERIFY2(mostrato.contains(u"Nick /> "_s + nick + u"\r\n"_s), qPrintable(mostrato));
        QVERIFY2(mostrato.contains(paragrafi), qPrintable(mostrato));
        QVERIFY2(mostrato.contains(QRegularExpression(u"\\n[^\\r\\n]*\\d{1,2}[:.]\\d{2}[^\\r\\n]* #\\d+ ha scritto:\\r\\n"_s)),
                 qPrintable(mostrato));
        QTRY_VERIFY_WITH_TIMEOUT(trascrizione(*mittente).contains(paragrafi), attesaLunga);
        QCOMPARE(boxes.count(), 1);
    }

    void serviceAndRetrievalServerStoppedAndRestarted()
    {
        MessageBoxRecorder boxes;
        auto finestra = apriFinestra(u"carla"_s);
        QVERIFY(finestra);
        QTRY_VERIFY_WITH_TIMEOUT(spia(*finestra) == u"on-line"_s, attesaLunga);
        QSignalSpy tick(finestra->findChild<QTimer *>(u"tmrLetturaMsg"_s), &QTimer::timeout);
        const quint16 porta = m_servizio->port();
        m_servizio.reset();
        QTRY_COMPARE_WITH_TIMEOUT(spia(*finestra), u"errore"_s, attesaLunga);
        QCOMPARE(boxes.count(), 1);
        // The same failure again at later ticks: banner only, no new box.
        const int tickAlGuasto = int(tick.count());
        QTRY_VERIFY_WITH_TIMEOUT(tick.count() >= tickAlGuasto + 2, attesaLunga);
        QCOMPARE(boxes.count(), 1);
        avviaServizio(porta);
        QTRY_COMPARE_WITH_TIMEOUT(spia(*finestra), u"on-line"_s, attesaLunga);
        QTRY_VERIFY_WITH_TIMEOUT(trascrizione(*finestra).contains(u"Nick /> "_s), attesaLunga);
        QCOMPARE(boxes.count(), 1);
        // CiarlaServer killed: the bus starts a new one; polling resumes through it without a reload.
        QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
        const QString nome = u"it.ciarlasoft.CiarlaServer"_s;
        const uint pid = bus->servicePid(nome);
        QVERIFY(pid > 0);
        QCOMPARE(::kill(pid_t(pid), SIGKILL), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!bus->isServiceRegistered(nome), attesaLunga);
        const int prima = richieste(paginaLettura);
        QTRY_VERIFY_WITH_TIMEOUT(richieste(paginaLettura) >= prima + 2, attesaLunga);
        QVERIFY(bus->isServiceRegistered(nome) && bus->servicePid(nome) != pid);
        QTRY_COMPARE_WITH_TIMEOUT(spia(*finestra), u"on-line"_s, attesaLunga);
        const int boxPrima = boxes.count();
        finestra->findChild<LimitedTextEdit *>(u"txtContenuto"_s)->setPlainText(u"ancora qui"_s);
        QTest::mouseClick(finestra->findChild<QPushButton *>(u"cmdInvia"_s), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(boxes.count() > boxPrima, attesaLunga);
        QCOMPARE(boxes.last().prompt, u"Messaggio Inviato"_s);
    }

private:
    // On a free port, or again on the port it had; one log line for every request.
    void avviaServizio(quint16 porta)
    {
        m_servizio = std::make_unique<ServiceProcess>(m_cartella.filePath(u"chat.db"_s),
                                                      QStringList{u"--port"_s, QString::number(porta)});
        QVERIFY2(m_servizio->start(), m_servizio->errorOutput().constData());
    }

    // A window on the local service, loaded; unless told, also shown and made active.
    std::unique_ptr<FrmMain> apriFinestra(const QString &nick, bool attiva = true)
    {
        auto finestra = std::make_unique<FrmMain>();
        WindowHarness::scegliServer(u"127.0.0.1:"_s + QString::number(m_servizio->port()));
        if (!finestra->Form_Initialize())
            return nullptr;
        finestra->Form_Load();
        finestra->findChild<QLineEdit *>(u"txtNick"_s)->setText(nick);
        if (attiva) {
            finestra->show();
            finestra->activateWindow();
        }
        return finestra;
    }

    int richieste(const QByteArray &pagina)
    {
        m_registro += m_servizio->errorOutput();
        return int(m_registro.count(pagina));
    }

    QTemporaryDir m_cartella;
    std::unique_ptr<ServiceProcess> m_servizio;
    QByteArray m_registro;
};

QTEST_MAIN(tst_CiarlaChatEndToEnd)
#include "tst_CiarlaChatEndToEnd.moc"
