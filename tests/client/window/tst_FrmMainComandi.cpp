// The main window's menus and commands, the server selection step and the
// reloads that the connect and settings commands make.
#include "BuildConfig.h"
#include "IndirizziChat.h"
#include "MessageBoxRecorder.h"
#include "RichTextView.h"
#include "SettingsStore.h"
#include "ShellOpener.h"
#include "WindowHarness.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPrinterInfo>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace {
const QString sito = QString::fromUtf8(BuildConfig::makerSite);

QAction *voce(WindowHarness &w, const QString &nome)
{
    return w.controllo<QAction>(nome);
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

class tst_FrmMainComandi : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_boxes = std::make_unique<MessageBoxRecorder>();
        m_aperti.clear();
        ShellOpener::setHandler([this](const ShellOpener::Request &richiesta) {
            m_aperti << richiesta.target;
            return int(ShellOpener::Accepted);
        });
        // Every test starts as a first run.
        QFile::remove(SettingsStore::filePath(u"CIARLACHAT"_s));
    }

    void cleanup()
    {
        ShellOpener::setHandler({});
        m_boxes.reset();
    }

    void editMenuEnablingRules()
    {
        WindowHarness w;
        w.caricaEAttiva();
        QCOMPARE(vociAbilitate(w), QStringList());
        w.lettura()->rispondi(WindowHarness::risposta({{u"anna"_s, u"21:15"_s, u"192.0.2.7"_s, u"ciao"_s}}));
        QCOMPARE(vociAbilitate(w), (QStringList{u"mncopia"_s, u"mncopiarft"_s, u"mnstampa"_s}));
        w.controllo<RichTextView>(u"TxtMes"_s)->selectAll();
        QCOMPARE(vociAbilitate(w), (QStringList{u"mnsel"_s, u"mncopia"_s, u"mncopiarft"_s, u"mnstampa"_s}));
        // A banner counts as content.
        w.clicca(u"optCiarla1"_s);
        QCOMPARE(w.trascrizione(), u"\r\nattendere..."_s);
        QCOMPARE(vociAbilitate(w), (QStringList{u"mncopia"_s, u"mncopiarft"_s, u"mnstampa"_s}));
    }

    void editMenuAsPopup()
    {
        WindowHarness w;
        w.caricaEAttiva();
        w.lettura()->rispondi(WindowHarness::rispostaVuota());
        auto *trascrizione = w.controllo<RichTextView>(u"TxtMes"_s);
        auto *menu = w.controllo<QMenu>(u"mnclip"_s);
        QTest::mouseClick(trascrizione->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        QVERIFY(!menu->isVisible());
        QTest::mousePress(trascrizione->viewport(), Qt::RightButton, {}, QPoint(20, 20));
        QTRY_VERIFY(menu->isVisible());
        QVERIFY(voce(w, u"mncopia"_s)->isEnabled());
        QVERIFY(!voce(w, u"mnsel"_s)->isEnabled());
        menu->close();
        // The context-menu key opens the same menu.
        trascrizione->setFocus();
        QTest::keyClick(trascrizione, Qt::Key_F10, Qt::ShiftModifier);
        QTRY_VERIFY(menu->isVisible());
        menu->close();
    }

    void copiesComeBackFormattedOrPlain()
    {
        WindowHarness w;
        w.caricaEAttiva();
        w.lettura()->rispondi(WindowHarness::risposta({{u"anna"_s, u"21:15"_s, u"192.0.2.7"_s, u"ciao a tutti"_s}}));
        voce(w, u"mncopia"_s)->trigger();
        const QMimeData *dati = QApplication::clipboard()->mimeData();
        const QString rtf = QString::fromLatin1(dati->data(u"text/rtf"_s));
        QVERIFY(rtf.startsWith(u"{\\rtf"_s) && dati->hasHtml());
        // Both the RTF and the HTML read back as the transcript with its bold 12-point nick.
        RichTextView riaperta;
        riaperta.setRtfSource(rtf);
        QTextDocument html;
        html.setHtml(dati->html());
        for (QTextDocument *documento : {riaperta.document(), &html}) {
            QCOMPARE(documento->toPlainText(), w.trascrizione().replace(u"\r\n"_s, u"\n"_s)); // no CR in a document
            const QTextCharFormat nick = documento->find(u"anna"_s).charFormat();
            QVERIFY(nick.fontWeight() == QFont::Bold && qRound(nick.fontPointSize()) == 12);
        }
        voce(w, u"mncopiarft"_s)->trigger();
        QCOMPARE(QApplication::clipboard()->text(), w.trascrizione());
        QVERIFY(!QApplication::clipboard()->mimeData()->hasFormat(u"text/rtf"_s));
        auto *trascrizione = w.controllo<RichTextView>(u"TxtMes"_s);
        trascrizione->setTextCursor(trascrizione->document()->find(u"anna"_s));
        voce(w, u"mnsel"_s)->trigger();
        QCOMPARE(QApplication::clipboard()->text(), u"anna"_s);
    }

    void printingWithoutPrinterAndHelpWithoutGuide()
    {
        QVERIFY2(QPrinterInfo::availablePrinterNames().isEmpty(), "this machine has a printer; printing would really print");
        ShellOpener::setHandler({});
        WindowHarness w;
        w.caricaEAttiva();
        w.lettura()->rispondi(WindowHarness::rispostaVuota());
        voce(w, u"mnstampa"_s)->trigger();
        QCOMPARE(m_boxes->lastBox(), u"16 Stampa: Impossibile stampare. Verificare se la stampante è on-line o installata correttamente."_s);
        voce(w, u"mnguida"_s)->trigger();
        QCOMPARE(m_boxes->lastBox(), u"16 Errore: "_s + QCoreApplication::applicationDirPath() + u"/ciarlachat.pdf: file non trovato!"_s);
    }

    void webCommandsOpenTheirAddresses()
    {
        WindowHarness w;
        w->Form_Load();
        voce(w, u"mnupdate"_s)->trigger();
        voce(w, u"mnciarla"_s)->trigger();
        voce(w, u"mnvalligiani"_s)->trigger();
        w.clicca(u"Image1"_s);
        QCOMPARE(m_aperti, (QStringList{IndirizziChat::indirizzoAggiornamento(), sito + u"miachat.asp"_s,
                                        sito + u"valligianichat.asp"_s, sito}));
        QCOMPARE(m_boxes->count(), 0);
    }

    void dialogsPollAtOnceAndSettingsReloadOnlyWhenConfirmed()
    {
        WindowHarness w;
        w.caricaEAttiva();
        w.lettura()->rispondi(WindowHarness::rispostaVuota());
        WindowHarness::alProssimoDialogo([](QWidget *dialogo) { dialogo->close(); });
        voce(w, u"mninfo"_s)->trigger();
        QTRY_COMPARE(w.lettura()->downloads.size(), 2);
        w.lettura()->rispondi(WindowHarness::rispostaVuota());
        w.clicca(u"optCiarla2"_s);
        w.lettura()->rispondi(WindowHarness::rispostaVuota());
        WindowHarness::premiNelProssimoDialogo(u"CancelButton"_s);
        voce(w, u"mnimpostazioni"_s)->trigger();
        QCOMPARE(w.oggettiCreati(), 2);
        QVERIFY(w.controllo<QRadioButton>(u"optCiarla2"_s)->isChecked());
        WindowHarness::premiNelProssimoDialogo(u"OKButton"_s);
        voce(w, u"mnimpostazioni"_s)->trigger();
        QCOMPARE(w.oggettiCreati(), 4);
        QCOMPARE(w.terminati(), 2);
        QVERIFY(w.controllo<QRadioButton>(u"optCiarla0"_s)->isChecked());
        QCOMPARE(w.lettura()->downloads, QStringList{sito + u"getmsgchat.asp"_s});
    }

    void serverSelectionFirstRunAndRemembered()
    {
        {
            // First run: the own rooms, offered by the dialog, are confirmed.
            WindowHarness w;
            WindowHarness::premiNelProssimoDialogo(u"OKButton"_s);
            QVERIFY(w->Form_Initialize());
            w->Form_Load();
            QCOMPARE(w->windowTitle(), u"CiarlaChat"_s);
            QVERIFY(!w.controllo<QRadioButton>(u"optCiarla3"_s)->isHidden());
        }
        {
            WindowHarness w;
            WindowHarness::scegliServer(u"chat.example.org"_s);
            QVERIFY(w->Form_Initialize());
        }
        // The next run offers the server chosen last: confirming it is enough.
        WindowHarness w;
        WindowHarness::premiNelProssimoDialogo(u"OKButton"_s);
        QVERIFY(w->Form_Initialize());
        w.caricaEAttiva();
        QCOMPARE(w->windowTitle(), u"CiarlaChat [http://chat.example.org/] "_s);
        for (int i = 0; i < FrmMain::numeroStanze; ++i)
            QVERIFY(w.controllo<QRadioButton>(u"optCiarla"_s + QString::number(i))->isHidden());
        QCOMPARE(w.lettura()->downloads, QStringList{u"http://chat.example.org/getciarlachat.asp"_s});
        w.scriviMessaggio(u"a"_s, u"b"_s);
        w.clicca(u"cmdInvia"_s);
        QCOMPARE(w.invio()->downloads, QStringList{u"http://chat.example.org/putciarlachat.asp?NOME=%61&messaggio=%62"_s});
    }

    void cancellingSelectionEndsProgram()
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
        w.controllo<QLineEdit>(u"txtNick"_s)->setText(u"carla"_s);
        WindowHarness::premiNelProssimoDialogo(u"CancelButton"_s);
        voce(w, u"mnconnetti"_s)->trigger();
        QCOMPARE(fine.count(), 1);
        QVERIFY(!w->isVisible());
        QCOMPARE(w.terminati(), 2);
        QCOMPARE(SettingsStore::value(u"CIARLACHAT"_s, u"msg"_s, u"nick"_s).value_or(QString()), u"carla"_s);
    }

    void connectChoosesServerAnew()
    {
        WindowHarness w;
        w.caricaEAttiva();
        QSignalSpy fine(&w.finestra(), &FrmMain::programmaTerminato);
        WindowHarness::scegliServer(u"127.0.0.1:8080"_s);
        w.clicca(u"cmdConnetti"_s);
        QCOMPARE(fine.count(), 0);
        QCOMPARE(w.oggettiCreati(), 4);
        QCOMPARE(w->windowTitle(), u"CiarlaChat [http://127.0.0.1:8080/] "_s);
        QTRY_COMPARE(w.lettura()->downloads, QStringList{u"http://127.0.0.1:8080/getciarlachat.asp"_s});
        voce(w, u"mnesci"_s)->trigger();
        QVERIFY(!w->isVisible());
        QCOMPARE(w.terminati(), 4);
    }
private:
    std::unique_ptr<MessageBoxRecorder> m_boxes;
    QStringList m_aperti;
};

QTEST_MAIN(tst_FrmMainComandi)
#include "tst_FrmMainComandi.moc"
