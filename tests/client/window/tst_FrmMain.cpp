// The main window against fake retrieval objects: its polling cycle, link state,
// sending, menus and commands, the server selection step and the reloads that
// the connect and settings commands make.
#include "BuildConfig.h"
#include "DataFolder.h"
#include "IndirizziChat.h"
#include "LimitedTextEdit.h"
#include "RichTextView.h"
#include "ScopedHandler.h"
#include "SettingsStore.h"
#include "ShellOpener.h"
#include "WindowHarness.h"
#include "ZuStato.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {
const QString base = QString::fromUtf8(BuildConfig::makerSite);
const QString inviato = u"<HTML><HEAD><TITLE>MESSAGGIO INVIATO</TITLE></HEAD></HTML>"_s;
// Built at run time: the reply markers are statics of the chat library.
QString anna()
{
    return RispostaDiProva::risposta({{u"anna"_s, u"21:15"_s, u"192.0.2.7"_s, u"ciao a tutti"_s}});
}
using Stato = FrmMain::StatoLettura;

QAction *voce(WindowHarness &w, const QString &nome)
{
    return w.controllo<QAction>(nome);
}

// The send button's state and the message field's text, as "on|text" or "off|text".
QString invio(WindowHarness &w)
{
    return (w.controllo<QPushButton>(u"cmdInvia"_s)->isEnabled() ? u"on|"_s : u"off|"_s)
         + w.controllo<LimitedTextEdit>(u"txtContenuto"_s)->text();
}

// Opens the "&Modifica" menu, as the menu bar would, and reads its items' states.
QStringList vociAbilitate(WindowHarness &w)
{
    auto *menu = w.controllo<QMenu>(u"mnclip"_s);
    menu->popup(w->mapToGlobal(QPoint(10, 10)));
    QStringList abilitate;
    for (const QString &nome : {u"mnsel"_s, u"mncopia"_s, u"mncopiarft"_s, u"mnstampa"_s}) {
        if (voce(w, nome)->isEnabled())
            abilitate << nome;
    }
    menu->close();
    return abilitate;
}
} // namespace

class tst_FrmMain : public QObject
{
    Q_OBJECT

    QStringList m_aperti;
    ScopedHandler<ShellOpener> m_opener{[this](const ShellOpener::Request &richiesta) {
        m_aperti << richiesta.target;
        return int(ShellOpener::Accepted);
    }};

private Q_SLOTS:
    void init()
    {
        m_aperti.clear();
        // Every test starts as a first run.
        QFile::remove(SettingsStore::filePath(u"CIARLACHAT"_s));
    }

    void loadWaitsForActivationToPoll()
    {
        WindowHarness w;
        w->Form_Load();
        QVERIFY(w.controllo<QTimer>(u"tmrLetturaMsg"_s)->isActive());
        QVERIFY(w.lettura()->downloads.isEmpty());
        QCOMPARE(w->statoLettura(), Stato::Inattivo);
        // The message field holds 600 characters; a line break counts as two, like the CR LF it is sent as.
        auto *campo = w.controllo<LimitedTextEdit>(u"txtContenuto"_s);
        campo->setFocus();
        campo->insertPlainText(QString(599, u'a'));
        campo->insertPlainText(u"bcd"_s);
        QCOMPARE(campo->text(), QString(599, u'a') + u'b');
        campo->setPlainText(QString(598, u'a'));
        campo->moveCursor(QTextCursor::End);
        campo->insertPlainText(u"\nx"_s);
        QCOMPARE(campo->text(), QString(598, u'a') + u"\r\n"_s);
        campo->clear();
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.finestra()));
        QCOMPARE(w.lettura()->downloads, QStringList{base + u"getmsgchat.asp"_s});
        QCOMPARE(w->statoLettura(), Stato::InVolo);
        QVERIFY(!w.controllo<QRadioButton>(u"optCiarla3"_s)->isHidden()); // the own rooms, by default
        QTRY_COMPARE(QApplication::focusWidget(), w.controllo<QWidget>(u"txtNick"_s));
        QCOMPARE(w.spia(), QString()); // the lamp waits for the first reply
        w.lettura()->rispondi(RispostaDiProva::vuota());
        QCOMPARE(w.spia(), u"on-line"_s);
        QCOMPARE(w.trascrizione(), u"\r\nNESSUN MESSAGGIO"_s);
    }

    void pollingStatesAndRoomChanges()
    {
        WindowHarness w;
        w.caricaEAttiva();
        FakeRetrieval *lettura = w.lettura();
        // In flight: a tick does nothing.
        w.tick();
        QCOMPARE(lettura->downloads.size(), 1);
        lettura->rispondi(anna());
        QCOMPARE(w->statoLettura(), Stato::Inattivo);
        w.tick();
        QCOMPARE(lettura->downloads.size(), 2);
        QCOMPARE(w->statoLettura(), Stato::InVolo);
        // A room change while in flight: the reply, of room 0, is dropped and "attendere..." stays.
        w.clicca(u"optCiarla2"_s);
        QCOMPARE(w.trascrizione(), u"\r\nattendere..."_s);
        QCOMPARE(w->statoLettura(), Stato::Scarto);
        QCOMPARE(lettura->downloads.size(), 2);
        lettura->rispondi(RispostaDiProva::risposta({{u"anna"_s, u"21:16"_s, u"192.0.2.7"_s, u"ancora zero"_s}}));
        QCOMPARE(w.trascrizione(), u"\r\nattendere..."_s);
        QCOMPARE(w->statoLettura(), Stato::Inattivo);
        w.tick();
        QCOMPARE(lettura->downloads.last(), base + u"getmsgchat2.asp"_s);
        // The new room's reply is drawn even if it equals the one drawn before.
        lettura->rispondi(anna());
        QVERIFY(w.trascrizione().contains(u"ciao a tutti"_s));
        // Choosing the room again forgets that reply and polls at once; a page that is no chat is no error.
        w.clicca(u"optCiarla2"_s);
        QCOMPARE(w->statoLettura(), Stato::InVolo);
        lettura->rispondi(u"\x01\x02 garbage \xff"_s);
        QCOMPARE(w.trascrizione(), u"\r\nservizio non disponibile."_s);
        QCOMPARE(w.spia(), u"on-line"_s);
        w.tick();
        // An error also ends the request, with its banner and box.
        lettura->fallisci(4566, u"nessuna risposta."_s);
        QCOMPARE(w->statoLettura(), Stato::Inattivo);
        QCOMPARE(lettura->terminate, 1);
        QCOMPARE(w.trascrizione(), u"\r\nnessuna risposta."_s);
        QCOMPARE(w.boxes.lastBox(), u"16 Errore: 4566: nessuna risposta."_s);
        QVERIFY(w->StatoErrore());
        // Discarding, ended by an error: idle again, error shown.
        w.tick();
        w.clicca(u"optCiarla1"_s);
        QCOMPARE(w->statoLettura(), Stato::Scarto);
        lettura->fallisci(12029, u"Impossibile connettersi"_s);
        QCOMPARE(w->statoLettura(), Stato::Inattivo);
        QCOMPARE(w.boxes.count(), 2);
    }

    void failedStartSuspendsPolling()
    {
        WindowHarness w;
        w->Form_Load();
        w.lettura()->erroreDownload = RuntimeError(1009, u"Il server è occupato..."_s);
        w->AvviaLettura();
        QCOMPARE(w.boxes.lastBox(), u"16 Errore: 1009: Il server è occupato..."_s);
        // Suspended: the flag stays set, so ticks neither retry nor repeat the box.
        w.lettura()->erroreDownload.reset();
        w.tick();
        QVERIFY(w.lettura()->downloads.isEmpty());
        QCOMPARE(w.boxes.count(), 1);
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
        QCOMPARE(w.boxes.count(), 1);
        QCOMPARE(w.trascrizione(), u"\r\nnessuna risposta."_s);
        rispostaAlTick([&] { lettura->fallisci(404, u"Not Found"_s); });
        QCOMPARE(w.boxes.last().prompt, u"404: Not Found"_s);
        // A reply that is not understood is an error too, and keeps the link state.
        const QString illeggibile = u"<!-- CHAT INIZIO DATA --> but no count"_s;
        rispostaAlTick([&] { lettura->rispondi(illeggibile); });
        QCOMPARE(w.boxes.lastBox(), u"16 Errore: Protocollo di comunicazione non riconosciuto."_s);
        QCOMPARE(w->statoLettura(), Stato::Inattivo);
        QVERIFY(w->StatoErrore());
        // The same bad reply again is not processed again, so no new box.
        rispostaAlTick([&] { lettura->rispondi(illeggibile); });
        QCOMPARE(w.boxes.count(), 3);
        // A good reply ends the error; the same code then shows a box again.
        rispostaAlTick([&] { lettura->rispondi(RispostaDiProva::vuota()); });
        QVERIFY(!w->StatoErrore());
        QCOMPARE(w.spia(), u"on-line"_s);
        // The lamp's picture (the tray's icon) is a disc with clear corners, on any background.
        const QImage lampada = w.controllo<ZuStato>(u"ZuStato1"_s)->lampada(true).toImage();
        QCOMPARE(QList<int>({lampada.pixelColor(0, 0).alpha(), lampada.pixelColor(8, 8).alpha()}), QList<int>({0, 255}));
        rispostaAlTick([&] { lettura->fallisci(404, u"Not Found"_s); });
        QCOMPARE(w.boxes.count(), 4);
    }

    void serverUnavailableAtLoad()
    {
        WindowHarness w;
        w.erroreCreazione = RuntimeError(429, u"Impossibile avviare CiarlaServer."_s);
        w.caricaEAttiva();
        QCOMPARE(w.boxes.lastBox(), u"16 Errore: 429: Impossibile avviare CiarlaServer."_s);
        QCOMPARE(w.trascrizione(), u"\r\nImpossibile avviare CiarlaServer."_s);
        QCOMPARE(w.spia(), u"errore"_s);
        // A send says why it cannot go.
        w.scriviMessaggio(u"anna"_s, u"ciao"_s);
        w.clicca(u"cmdInvia"_s);
        QCOMPARE(w.boxes.count(), 2);
        QCOMPARE(invio(w), u"on|ciao"_s);
    }

    void sendStateTable()
    {
        WindowHarness w;
        w.caricaEAttiva();
        w.lettura()->rispondi(RispostaDiProva::vuota());
        w.clicca(u"optCiarla1"_s);
        w.lettura()->rispondi(RispostaDiProva::vuota());
        w.scriviMessaggio(u"a b"_s, u"ciao"_s);
        w.clicca(u"cmdInvia"_s);
        QCOMPARE(w.invio()->downloads, QStringList{base + u"putmsgchat1.asp?NOME=%61%20%62&messaggio=%63%69%61%6F"_s});
        // Sending: a second click cannot start a second send.
        QCOMPARE(invio(w), u"off|ciao"_s);
        w.clicca(u"cmdInvia"_s);
        QCOMPARE(w.invio()->downloads.size(), 1);
        const int pollPrima = int(w.lettura()->downloads.size());
        w.invio()->rispondi(inviato);
        QCOMPARE(w.boxes.lastBox(), u"64 Invio: Messaggio Inviato"_s);
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
        w.lettura()->rispondi(RispostaDiProva::vuota());
        w.scriviMessaggio(QString(), u"ciao"_s);
        w.controllo<QWidget>(u"txtContenuto"_s)->setFocus();
        w.clicca(u"cmdInvia"_s);
        QCOMPARE(w.boxes.lastBox(),
                 u"16 Invio: E' obbligatorio indicare il nickname. Impossibile procedere con l'invio del messaggio."_s);
        QVERIFY(w.invio()->downloads.isEmpty());
        QTRY_COMPARE(QApplication::focusWidget(), w.controllo<QWidget>(u"txtNick"_s));
        // A reply in other letter case is a failure.
        w.scriviMessaggio(u"anna"_s, u"ciao"_s);
        w.clicca(u"cmdInvia"_s);
        w.invio()->rispondi(u"<title>Messaggio Inviato</title>"_s);
        QCOMPARE(w.boxes.lastBox(), u"64 Invio: Invio fallito"_s);
        QCOMPARE(invio(w), u"on|ciao"_s);
        QCOMPARE(w.lettura()->downloads.size(), 1);
        // Every send error is shown; it turns the lamp but not the polling link state.
        for (int volta = 0; volta < 2; ++volta) {
            w.clicca(u"cmdInvia"_s);
            w.invio()->fallisci(4566, u"nessuna risposta."_s);
        }
        QCOMPARE(w.boxes.count(), 4);
        QCOMPARE(w.boxes.last().prompt, u"4566: nessuna risposta."_s);
        QCOMPARE(w.invio()->terminate, 2);
        QCOMPARE(w.spia(), u"errore"_s);
        QVERIFY(!w->StatoErrore());
        QCOMPARE(invio(w), u"on|ciao"_s);
        w.tick();
        w.lettura()->rispondi(RispostaDiProva::vuota());
        QCOMPARE(w.spia(), u"on-line"_s);
        // A send that cannot start, or a nickname too long to encode.
        w.invio()->erroreDownload = RuntimeError(1009, u"Il server è occupato..."_s);
        w.clicca(u"cmdInvia"_s);
        QCOMPARE(w.boxes.lastBox(), u"16 Errore: Il server è occupato..."_s);
        w.invio()->erroreDownload.reset();
        w.scriviMessaggio(QString(32767, u'a'), u"ciao"_s);
        w.clicca(u"cmdInvia"_s);
        QCOMPARE(w.boxes.count(), 6);
        QCOMPARE(w.invio()->downloads.size(), 3);
        QCOMPARE(invio(w), u"on|ciao"_s);
        // One blank is a nickname.
        w.scriviMessaggio(u" "_s, QString());
        w.clicca(u"cmdInvia"_s);
        QCOMPARE(w.invio()->downloads.constLast(), base + u"putmsgchat.asp?NOME=%20&messaggio="_s);
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
        const QRect dove(40, 50, 720, 490);
        w->setGeometry(dove);
        QTest::keyClick(&w.finestra(), Qt::Key_Q, Qt::ControlModifier); // Esci
        QCOMPARE(voce(w, u"mnesci"_s)->shortcut(), QKeySequence(u"Ctrl+Q"_s));
        QVERIFY(!w->isVisible());
        QCOMPARE(w.terminati(), 2);
        QTRY_VERIFY(altra.isNull() && lettura.isNull() && invio.isNull());
        QVERIFY(!w.controllo<QTimer>(u"tmrLetturaMsg"_s)->isActive());
        // The next load restores the nickname, not the message, and so puts the focus on the message.
        WindowHarness dopo;
        dopo.caricaEAttiva();
        QCOMPARE(dopo.controllo<QLineEdit>(u"txtNick"_s)->text(), u"Zoë l'orso"_s);
        QCOMPARE(dopo->geometry(), dove);
        QCOMPARE(dopo.controllo<LimitedTextEdit>(u"txtContenuto"_s)->text(), QString());
        QTRY_COMPARE(QApplication::focusWidget(), dopo.controllo<QWidget>(u"txtContenuto"_s));
    }

    void editMenuRulesPopupAndCopies()
    {
        WindowHarness w;
        w.caricaEAttiva();
        QCOMPARE(vociAbilitate(w), QStringList());
        w.lettura()->rispondi(anna());
        QCOMPARE(vociAbilitate(w), (QStringList{u"mncopia"_s, u"mncopiarft"_s, u"mnstampa"_s}));
        // A right click on the transcript, or the context-menu key, opens the same menu.
        auto *trascrizione = w.controllo<RichTextView>(u"TxtMes"_s);
        auto *menu = w.controllo<QMenu>(u"mnclip"_s);
        QTest::mouseClick(trascrizione->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        QVERIFY(!menu->isVisible());
        QTest::mousePress(trascrizione->viewport(), Qt::RightButton, {}, QPoint(20, 20));
        QTRY_VERIFY(menu->isVisible());
        menu->close();
        trascrizione->setFocus();
        QTest::keyClick(trascrizione, Qt::Key_F10, Qt::ShiftModifier);
        QTRY_VERIFY(menu->isVisible());
        menu->close();
        // Copies come back formatted or plain.
        voce(w, u"mncopia"_s)->trigger();
        const QMimeData *dati = QApplication::clipboard()->mimeData();
        QCOMPARE(QString::fromLatin1(dati->data(u"text/rtf"_s)), trascrizione->rtfSource());
        QTextDocument html;
        html.setHtml(dati->html());
        QCOMPARE(html.toPlainText(), trascrizione->document()->toPlainText());
        voce(w, u"mncopiarft"_s)->trigger();
        QCOMPARE(QApplication::clipboard()->text(), w.trascrizione());
        QVERIFY(!QApplication::clipboard()->mimeData()->hasFormat(u"text/rtf"_s));
        trascrizione->setTextCursor(trascrizione->document()->find(u"anna"_s));
        QVERIFY(vociAbilitate(w).contains(u"mnsel"_s)); // opening the menu updates its items
        voce(w, u"mnsel"_s)->trigger();
        QCOMPARE(QApplication::clipboard()->text(), u"anna"_s);
        trascrizione->selectAll();
        QCOMPARE(vociAbilitate(w), (QStringList{u"mnsel"_s, u"mncopia"_s, u"mncopiarft"_s, u"mnstampa"_s}));
        // A banner counts as content.
        w.clicca(u"optCiarla1"_s);
        QCOMPARE(vociAbilitate(w), (QStringList{u"mncopia"_s, u"mncopiarft"_s, u"mnstampa"_s}));
    }

    void webPrintAndHelpCommands()
    {
        QVERIFY2(QPrinterInfo::availablePrinterNames().isEmpty(), "this machine has a printer; printing would really print");
        WindowHarness w;
        w.caricaEAttiva();
        voce(w, u"mnupdate"_s)->trigger();
        voce(w, u"mnciarla"_s)->trigger();
        voce(w, u"mnvalligiani"_s)->trigger();
        w.clicca(u"Image1"_s);
        QTest::keyClick(&w.finestra(), Qt::Key_F1); // the guide as a web page
        QCOMPARE(m_aperti, (QStringList{IndirizziChat::indirizzoAggiornamento(), base + u"miachat.asp"_s,
                                        base + u"valligianichat.asp"_s, base,
                                        DataFolder::path() + u"/guida/ciarlachat.html"_s}));
        w.lettura()->rispondi(RispostaDiProva::vuota());
        voce(w, u"mnstampa"_s)->trigger();
        QCOMPARE(w.boxes.lastBox(), u"16 Stampa: Impossibile stampare. Verificare se la stampante è on-line o installata correttamente."_s);
        ScopedHandler<ShellOpener> realOpener{{}};
        voce(w, u"mnguida"_s)->trigger();
        QCOMPARE(w.boxes.lastBox(), u"16 Errore: "_s + QCoreApplication::applicationDirPath() + u"/ciarlachat.pdf: file non trovato!"_s);
    }

    void dialogsPollAtOnceAndSettingsReloadOnlyWhenConfirmed()
    {
        WindowHarness w;
        w.caricaEAttiva();
        w.lettura()->rispondi(RispostaDiProva::vuota());
        WindowHarness::alProssimoDialogo([](QWidget *dialogo) { dialogo->close(); });
        voce(w, u"mninfo"_s)->trigger();
        QTRY_COMPARE(w.lettura()->downloads.size(), 2);
        w.lettura()->rispondi(RispostaDiProva::vuota());
        w.clicca(u"optCiarla2"_s);
        w.lettura()->rispondi(RispostaDiProva::vuota());
        WindowHarness::premiNelProssimoDialogo(u"CancelButton"_s);
        voce(w, u"mnimpostazioni"_s)->trigger();
        QCOMPARE(w.oggettiCreati(), 2);
        WindowHarness::premiNelProssimoDialogo(u"OKButton"_s);
        voce(w, u"mnimpostazioni"_s)->trigger();
        QCOMPARE(w.oggettiCreati(), 4);
        QCOMPARE(w.terminati(), 2);
        QVERIFY(w.controllo<QRadioButton>(u"optCiarla0"_s)->isChecked());
        QCOMPARE(w.lettura()->downloads, QStringList{base + u"getmsgchat.asp"_s});
    }

    void connectChoosesServerAnewOrEndsProgram()
    {
        {
            WindowHarness w;
            WindowHarness::premiNelProssimoDialogo(u"CancelButton"_s);
            QVERIFY(!w->Form_Initialize());
            QCOMPARE(w.oggettiCreati(), 0);
        }
        WindowHarness w;
        w.caricaEAttiva();
        QSignalSpy fine(&w.finestra(), &FrmMain::programmaTerminato);
        WindowHarness::scegliServer(u"127.0.0.1:8080"_s);
        w.clicca(u"cmdConnetti"_s);
        QCOMPARE(fine.count(), 0);
        QCOMPARE(w.oggettiCreati(), 4);
        QCOMPARE(w->windowTitle(), u"CiarlaChat [http://127.0.0.1:8080/] "_s);
        for (int i = 0; i < FrmMain::numeroStanze; ++i)
            QVERIFY(w.controllo<QRadioButton>(u"optCiarla"_s + QString::number(i))->isHidden());
        QTRY_COMPARE(w.lettura()->downloads, QStringList{u"http://127.0.0.1:8080/getciarlachat.asp"_s});
        // Cancelling the choice ends the program, the nickname saved.
        w.controllo<QLineEdit>(u"txtNick"_s)->setText(u"carla"_s);
        WindowHarness::premiNelProssimoDialogo(u"CancelButton"_s);
        voce(w, u"mnconnetti"_s)->trigger();
        QCOMPARE(fine.count(), 1);
        QVERIFY(!w->isVisible());
        QCOMPARE(w.terminati(), 4);
        QCOMPARE(SettingsStore::value(u"CIARLACHAT"_s, u"msg"_s, u"nick"_s).value_or(QString()), u"carla"_s);
    }
};

QTEST_MAIN(tst_FrmMain)
#include "tst_FrmMain.moc"
