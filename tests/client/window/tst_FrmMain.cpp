// The main window's polling cycle, link state and sending, against fake
// retrieval objects; every box goes to the recorder.
#include "BuildConfig.h"
#include "LimitedTextEdit.h"
#include "MessageBoxRecorder.h"
#include "SettingsStore.h"
#include "WindowHarness.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {
const QString base = QString::fromUtf8(BuildConfig::makerSite);
const QString inviato = u"<HTML><HEAD><TITLE>MESSAGGIO INVIATO</TITLE></HEAD></HTML>"_s;
const QString anna = WindowHarness::risposta({{u"anna"_s, u"21:15"_s, u"192.0.2.7"_s, u"ciao a tutti"_s}});
using Stato = FrmMain::StatoLettura;
} // namespace

class tst_FrmMain : public QObject
{
    Q_OBJECT

    std::unique_ptr<MessageBoxRecorder> m_boxes;

    // The send button's state and the message field's text, as "on|text" or "off|text".
    static QString invio(WindowHarness &w)
    {
        return (w.controllo<QPushButton>(u"cmdInvia"_s)->isEnabled() ? u"on|"_s : u"off|"_s)
             + w.controllo<LimitedTextEdit>(u"txtContenuto"_s)->text();
    }

private Q_SLOTS:
    void init()
    {
        m_boxes = std::make_unique<MessageBoxRecorder>();
        SettingsStore::setValue(u"CIARLACHAT"_s, u"msg"_s, u"nick"_s, QString());
    }

    void cleanup() { m_boxes.reset(); }

    void loadWaitsForActivationToPoll()
    {
        WindowHarness w;
        w->Form_Load();
        QVERIFY(w.controllo<QTimer>(u"tmrLetturaMsg"_s)->isActive());
        QCOMPARE(w.oggettiCreati(), 2);
        QVERIFY(w.lettura()->downloads.isEmpty());
        QCOMPARE(w->statoLettura(), Stato::Inattivo);
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.finestra()));
        QCOMPARE(w.lettura()->downloads, QStringList{base + u"getmsgchat.asp"_s});
        QCOMPARE(w->statoLettura(), Stato::InVolo);
        QTRY_COMPARE(QApplication::focusWidget(), w.controllo<QWidget>(u"txtNick"_s));
        QCOMPARE(w.spia(), QString()); // the lamp waits for the first reply
        // With a nickname the focus goes to the message, and an activation while a
        // poll is in flight sends nothing more.
        w.controllo<QLineEdit>(u"txtNick"_s)->setText(u"anna"_s);
        QWidget altra;
        altra.show();
        altra.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&altra));
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.finestra()));
        QTRY_COMPARE(QApplication::focusWidget(), w.controllo<QWidget>(u"txtContenuto"_s));
        QCOMPARE(w.lettura()->downloads.size(), 1);
        w.lettura()->rispondi(WindowHarness::rispostaVuota());
        QCOMPARE(w.spia(), u"on-line"_s);
        QCOMPARE(w.trascrizione(), u"\r\nNESSUN MESSAGGIO"_s);
    }

    void pollingStateTable()
    {
        WindowHarness w;
        w.caricaEAttiva();
        FakeRetrieval *lettura = w.lettura();
        // In flight: ticks do nothing.
        w.tick();
        w.tick();
        QCOMPARE(lettura->downloads.size(), 1);
        lettura->rispondi(anna);
        QCOMPARE(w->statoLettura(), Stato::Inattivo);
        QVERIFY(w.trascrizione().contains(u"ciao a tutti"_s));
        w.tick();
        QCOMPARE(lettura->downloads.size(), 2);
        QCOMPARE(w->statoLettura(), Stato::InVolo);
        // An error also ends the request, with its banner and box.
        lettura->fallisci(4566, u"nessuna risposta."_s);
        QCOMPARE(w->statoLettura(), Stato::Inattivo);
        QCOMPARE(lettura->terminate, 1);
        QCOMPARE(w.trascrizione(), u"\r\nnessuna risposta."_s);
        QCOMPARE(m_boxes->lastBox(), u"16 Errore: 4566: nessuna risposta."_s);
        QVERIFY(w->StatoErrore());
        // Discarding, ended by an error: idle again, error shown.
        w.tick();
        w.clicca(u"optCiarla1"_s);
        QCOMPARE(w->statoLettura(), Stato::Scarto);
        lettura->fallisci(12029, u"Impossibile connettersi"_s);
        QCOMPARE(w->statoLettura(), Stato::Inattivo);
        QCOMPARE(m_boxes->count(), 2);
    }

    void roomChangeWhileInFlightDropsReplyAndPollsNewRoomOnTick()
    {
        WindowHarness w;
        w.caricaEAttiva();
        FakeRetrieval *lettura = w.lettura();
        lettura->rispondi(anna);
        w.tick();
        w.clicca(u"optCiarla2"_s);
        QCOMPARE(w.trascrizione(), u"\r\nattendere..."_s);
        QCOMPARE(w->statoLettura(), Stato::Scarto);
        QCOMPARE(lettura->downloads.size(), 2);
        // The reply in flight belongs to room 0: dropped, "attendere..." stays.
        lettura->rispondi(WindowHarness::risposta({{u"anna"_s, u"21:16"_s, u"192.0.2.7"_s, u"ancora zero"_s}}));
        QCOMPARE(w.trascrizione(), u"\r\nattendere..."_s);
        QCOMPARE(w->statoLettura(), Stato::Inattivo);
        w.tick();
        QCOMPARE(lettura->downloads.last(), base + u"getmsgchat2.asp"_s);
        // The new room's reply is drawn even if it equals the one drawn before.
        lettura->rispondi(anna);
        QVERIFY(w.trascrizione().contains(u"ciao a tutti"_s));
        QCOMPARE(m_boxes->count(), 0);
    }

    void failedStartSuspendsPolling()
    {
        WindowHarness w;
        w->Form_Load();
        w.lettura()->erroreDownload = RuntimeError(1009, u"Il server è occupato..."_s);
        w->AvviaLettura();
        QCOMPARE(m_boxes->lastBox(), u"16 Errore: 1009: Il server è occupato..."_s);
        // Suspended: the flag stays set, so ticks neither retry nor repeat the box.
        w.lettura()->erroreDownload.reset();
        w.tick();
        w.tick();
        QVERIFY(w.lettura()->downloads.isEmpty());
        QCOMPARE(m_boxes->count(), 1);
        QCOMPARE(w->statoLettura(), Stato::InVolo);
    }

    void sameErrorIsShownOnceAndLampFollows()
    {
        WindowHarness w;
        w.caricaEAttiva();
        FakeRetrieval *lettura = w.lettura();
        auto rispostaAlTick = [&](auto &&rispondi) {
            w.tick();
            rispondi();
        };
        // An error before any reply does switch the lamp.
        lettura->fallisci(4566, u"nessuna risposta."_s);
        QCOMPARE(w.spia(), u"errore"_s);
        rispostaAlTick([&] { lettura->fallisci(4566, u"nessuna risposta."_s); });
        QCOMPARE(m_boxes->count(), 1);
        QCOMPARE(w.trascrizione(), u"\r\nnessuna risposta."_s);
        rispostaAlTick([&] { lettura->fallisci(404, u"Not Found"_s); });
        QCOMPARE(m_boxes->last().prompt, u"404: Not Found"_s);
        QCOMPARE(w.trascrizione(), u"\r\nNot Found"_s);
        // A reply that is not understood is an error too, and keeps the link state.
        const QString illeggibile = u"<!-- CHAT INIZIO DATA --> but no count"_s;
        rispostaAlTick([&] { lettura->rispondi(illeggibile); });
        QCOMPARE(m_boxes->lastBox(), u"16 Errore: Protocollo di comunicazione non riconosciuto."_s);
        QCOMPARE(w->statoLettura(), Stato::Inattivo);
        QVERIFY(w->StatoErrore());
        QCOMPARE(w.spia(), u"errore"_s);
        // The same bad reply again is not processed again, so no new box.
        rispostaAlTick([&] { lettura->rispondi(illeggibile); });
        QCOMPARE(m_boxes->count(), 3);
        // A good reply ends the error; the same code then shows a box again.
        rispostaAlTick([&] { lettura->rispondi(WindowHarness::rispostaVuota()); });
        QVERIFY(!w->StatoErrore());
        QCOMPARE(w.spia(), u"on-line"_s);
        rispostaAlTick([&] { lettura->fallisci(404, u"Not Found"_s); });
        QCOMPARE(m_boxes->count(), 4);
    }

    void garbageHtmlAndHugeRepliesKeepWindowWorking()
    {
        WindowHarness w;
        w.caricaEAttiva();
        FakeRetrieval *lettura = w.lettura();
        lettura->rispondi(WindowHarness::rispostaVuota());
        for (const QString &pagina : {u"\x01\x02 garbage \xff"_s, QString(10 * 1024 * 1024, u'x')}) {
            // Choosing the room again forgets the last reply and polls at once.
            w.clicca(u"optCiarla0"_s);
            QCOMPARE(w->statoLettura(), Stato::InVolo);
            lettura->rispondi(pagina);
            QCOMPARE(w.trascrizione(), u"\r\nservizio non disponibile."_s);
            QCOMPARE(w->statoLettura(), Stato::Inattivo);
        }
        QCOMPARE(m_boxes->count(), 0);
        QCOMPARE(w.spia(), u"on-line"_s);
    }

    void serverUnavailableAtLoad()
    {
        WindowHarness w;
        w.erroreCreazione = RuntimeError(429, u"Impossibile avviare CiarlaServer."_s);
        w.caricaEAttiva();
        QCOMPARE(m_boxes->lastBox(), u"16 Errore: 429: Impossibile avviare CiarlaServer."_s);
        QCOMPARE(w.trascrizione(), u"\r\nImpossibile avviare CiarlaServer."_s);
        QCOMPARE(w.spia(), u"errore"_s);
        // Polling stays suspended; a send says why it cannot go.
        w.tick();
        QCOMPARE(m_boxes->count(), 1);
        w.scriviMessaggio(u"anna"_s, u"ciao"_s);
        w.clicca(u"cmdInvia"_s);
        QCOMPARE(m_boxes->count(), 2);
        QCOMPARE(m_boxes->last().title, u"Errore"_s);
        QCOMPARE(invio(w), u"on|ciao"_s);
    }

    void emptyNicknameIsRefused()
    {
        WindowHarness w;
        w.caricaEAttiva();
        w.scriviMessaggio(QString(), u"ciao"_s);
        w.controllo<QWidget>(u"txtContenuto"_s)->setFocus();
        w.clicca(u"cmdInvia"_s);
        QCOMPARE(m_boxes->lastBox(),
                 u"16 Invio: E' obbligatorio indicare il nickname. Impossibile procedere con l'invio del messaggio."_s);
        QVERIFY(w.invio()->downloads.isEmpty());
        QCOMPARE(invio(w), u"on|ciao"_s);
        QTRY_COMPARE(QApplication::focusWidget(), w.controllo<QWidget>(u"txtNick"_s));
        // One blank is a nickname.
        w.scriviMessaggio(u" "_s, QString());
        w.clicca(u"cmdInvia"_s);
        QCOMPARE(w.invio()->downloads, QStringList{base + u"putmsgchat.asp?NOME=%20&messaggio="_s});
    }

    void sendStateTable()
    {
        WindowHarness w;
        w.caricaEAttiva();
        w.lettura()->rispondi(WindowHarness::rispostaVuota());
        w.clicca(u"optCiarla1"_s);
        w.lettura()->rispondi(WindowHarness::rispostaVuota());
        w.scriviMessaggio(u"a b"_s, u"ciao"_s);
        w.clicca(u"cmdInvia"_s);
        QCOMPARE(w.invio()->downloads, QStringList{base + u"putmsgchat1.asp?NOME=%61%20%62&messaggio=%63%69%61%6F"_s});
        // Sending: a second click cannot start a second send.
        QCOMPARE(invio(w), u"off|ciao"_s);
        w.clicca(u"cmdInvia"_s);
        QCOMPARE(w.invio()->downloads.size(), 1);
        const int pollPrima = int(w.lettura()->downloads.size());
        w.invio()->rispondi(inviato);
        QCOMPARE(m_boxes->lastBox(), u"64 Invio: Messaggio Inviato"_s);
        QCOMPARE(invio(w), u"on|"_s);
        QCOMPARE(w.lettura()->downloads.mid(pollPrima), QStringList{base + u"getmsgchat1.asp"_s});
        QTRY_COMPARE(QApplication::focusWidget(), w.controllo<QWidget>(u"txtContenuto"_s));
        // Line breaks leave as CR LF, every character in the Western European code
        // page; a success while a poll is in flight starts no second poll.
        w.scriviMessaggio(u"\"a&b\""_s, u"50% <b>\nè €"_s);
        w.clicca(u"cmdInvia"_s);
        QCOMPARE(w.invio()->downloads.constLast(),
                 base + u"putmsgchat1.asp?NOME=%22%61%26%62%22&messaggio=%35%30%25%20%3C%62%3E%0D%0A%E8%20%80"_s);
        w.invio()->rispondi(inviato);
        QCOMPARE(w.lettura()->downloads.size(), pollPrima + 1);
    }

    void failedSendsKeepTheMessage()
    {
        WindowHarness w;
        w.caricaEAttiva();
        w.lettura()->rispondi(WindowHarness::rispostaVuota());
        w.scriviMessaggio(u"anna"_s, u"ciao"_s);
        // A reply in other letter case is a failure.
        w.clicca(u"cmdInvia"_s);
        w.invio()->rispondi(u"<title>Messaggio Inviato</title>"_s);
        QCOMPARE(m_boxes->lastBox(), u"64 Invio: Invio fallito"_s);
        QCOMPARE(invio(w), u"on|ciao"_s);
        QCOMPARE(w.lettura()->downloads.size(), 1);
        // Every send error is shown; it turns the lamp but not the polling link state.
        for (int volta = 0; volta < 2; ++volta) {
            w.clicca(u"cmdInvia"_s);
            w.invio()->fallisci(4566, u"nessuna risposta."_s);
        }
        QCOMPARE(m_boxes->count(), 3);
        QCOMPARE(m_boxes->last().prompt, u"4566: nessuna risposta."_s);
        QCOMPARE(w.invio()->terminate, 2);
        QCOMPARE(w.spia(), u"errore"_s);
        QVERIFY(!w->StatoErrore());
        QCOMPARE(invio(w), u"on|ciao"_s);
        w.tick();
        w.lettura()->rispondi(WindowHarness::rispostaVuota());
        QCOMPARE(w.spia(), u"on-line"_s);
        // A send that cannot start, or a nickname too long to encode.
        w.invio()->erroreDownload = RuntimeError(1009, u"Il server è occupato..."_s);
        w.clicca(u"cmdInvia"_s);
        QCOMPARE(m_boxes->lastBox(), u"16 Errore: Il server è occupato..."_s);
        w.invio()->erroreDownload.reset();
        w.scriviMessaggio(QString(32767, u'a'), u"ciao"_s);
        w.clicca(u"cmdInvia"_s);
        QCOMPARE(m_boxes->count(), 5);
        QCOMPARE(w.invio()->downloads.size(), 3);
        QCOMPARE(invio(w), u"on|ciao"_s);
    }

    void messageFieldHoldsSixHundredCharacters()
    {
        WindowHarness w;
        w->Form_Load();
        auto *campo = w.controllo<LimitedTextEdit>(u"txtContenuto"_s);
        campo->setFocus();
        campo->insertPlainText(QString(599, u'a'));
        campo->insertPlainText(u"bcd"_s);
        QCOMPARE(campo->text(), QString(599, u'a') + u'b');
        // A line break counts as two, like the CR LF it is sent as.
        campo->setPlainText(QString(598, u'a'));
        campo->moveCursor(QTextCursor::End);
        campo->insertPlainText(u"\nx"_s);
        QCOMPARE(campo->text(), QString(598, u'a') + u"\r\n"_s);
    }

    void unloadStopsSavesAndClosesOtherWindows()
    {
        WindowHarness w;
        w.caricaEAttiva();
        QPointer<FakeRetrieval> lettura = w.lettura();
        QPointer<FakeRetrieval> invio = w.invio();
        QPointer<QWidget> altra = new QWidget;
        altra->setAttribute(Qt::WA_DeleteOnClose);
        altra->show();
        w.scriviMessaggio(u"Zoë l'orso"_s, u"non si salva"_s);
        w->close();
        QCOMPARE(w.terminati(), 2);
        QTRY_VERIFY(altra.isNull() && lettura.isNull() && invio.isNull());
        QVERIFY(!w.controllo<QTimer>(u"tmrLetturaMsg"_s)->isActive());
        // The next load restores the nickname, not the message.
        WindowHarness dopo;
        dopo->Form_Load();
        QCOMPARE(dopo.controllo<QLineEdit>(u"txtNick"_s)->text(), u"Zoë l'orso"_s);
        QCOMPARE(dopo.controllo<LimitedTextEdit>(u"txtContenuto"_s)->text(), QString());
    }
};

QTEST_MAIN(tst_FrmMain)
#include "tst_FrmMain.moc"
