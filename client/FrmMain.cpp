// The main window's life: server selection, load, activation, unload.
#include "FrmMain.h"

#include "AvvisoMessaggi.h"
#include "BuildConfig.h"
#include "CurrentError.h"
#include "IndirizziChat.h"
#include "LimitedTextEdit.h"
#include "MessageBox.h"
#include "RemoteRetrieval.h"
#include "RetrievalObject.h"
#include "RichTextView.h"
#include "RuntimeError.h"
#include "SettingsStore.h"
#include "Trascrizione.h"
#include "frmSceltaServer.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {
const QString applicazioneImpostazioni = u"CIARLACHAT"_s;
const QString sezioneNick = u"msg"_s;
const QString chiaveNick = u"nick"_s;
const QString sezioneFinestra = u"finestra"_s;
const QString chiaveGeometria = u"geometria"_s;
const QString titoloBase = u"CiarlaChat"_s;

RetrievalObject *creaOggettoRemoto(QObject *parent)
{
    return new RemoteRetrieval(parent);
}
} // namespace

FrmMain::FrmMain(RetrievalFactory factory, QWidget *parent)
    : QMainWindow(parent)
    , m_factory(factory ? std::move(factory) : RetrievalFactory(creaOggettoRemoto))
{
    creaControlli();
    m_avvisi = new AvvisoMessaggi(this, ZuStato1);
}

FrmMain::~FrmMain()
{
    Form_Unload();
}

zuUtilita &FrmMain::zu()
{
    if (!m_zu)
        m_zu = std::make_unique<zuUtilita>();
    return *m_zu;
}

bool FrmMain::Form_Initialize()
{
    frmSceltaServer dialogo(this);
    dialogo.exec();
    if (dialogo.Annulla())
        return false;
    UsaCanali = dialogo.CanaliCiarlaChat();
    IndirizzoServer = dialogo.NomeServer();
    return true;
}

void FrmMain::Form_Load()
{
    m_trascrizione->AzzeraUltimaRisposta();
    RispostaRicevuta = false;
    setStatoErrore(false);
    UltimoErrore = 0;
    InLettura = false;
    ScartaRisposta = false;
    m_caricata = true;
    m_avvisi->ricomincia();

    creaOggettiRecupero();
    zu().CurDirApp();

    const bool sviluppo = UsaCanali && zu().IsVBEnvironment();
    IndirizzoBase = IndirizziChat::indirizzoBase(UsaCanali, sviluppo, IndirizzoServer);
    if (sviluppo)
        setWindowTitle(titoloBase + u" [Local Host] "_s);
    else if (UsaCanali)
        setWindowTitle(titoloBase);
    else
        setWindowTitle(titoloBase + u" ["_s + IndirizzoServer + u"] "_s);

    lblVersione->setText(u"v%1.%2.%3"_s.arg(BuildConfig::versionMajor)
                             .arg(BuildConfig::versionMinor)
                             .arg(BuildConfig::versionRevision));
    txtNick->setText(SettingsStore::value(applicazioneImpostazioni, sezioneNick, chiaveNick).value_or(QString()));
    txtContenuto->clear();
    cmdInvia->setEnabled(true);
    optCiarla[0]->setChecked(true);
    for (QRadioButton *stanza : optCiarla)
        stanza->setVisible(UsaCanali);
    tmrLetturaMsg->start();
    // Where the user left the window last time, at the start only: a reload keeps it where it is.
    if (!isVisible())
        restoreGeometry(QByteArray::fromBase64(
            SettingsStore::value(applicazioneImpostazioni, sezioneFinestra, chiaveGeometria).value_or(QString()).toLatin1()));
}

void FrmMain::Form_Unload()
{
    if (!m_caricata)
        return;
    m_caricata = false;
    tmrLetturaMsg->stop();
    for (RetrievalObject *oggetto : {recHyper.data(), recHyperInvio.data()}) {
        try {
            if (oggetto)
                oggetto->Termina();
        } catch (const RuntimeError &) {
            // Unloading goes on whatever the server says.
        }
    }
    rilasciaOggettiRecupero();
    SettingsStore::setValue(applicazioneImpostazioni, sezioneNick, chiaveNick, txtNick->text());
    SettingsStore::setValue(applicazioneImpostazioni, sezioneFinestra, chiaveGeometria,
                            QString::fromLatin1(saveGeometry().toBase64()));
    for (QWidget *finestra : QApplication::topLevelWidgets()) {
        if (finestra != this && finestra->isVisible())
            finestra->close();
    }
}

void FrmMain::Ricarica(bool nuovaSceltaServer)
{
    Form_Unload();
    if (nuovaSceltaServer && !Form_Initialize()) {
        hide();
        Q_EMIT programmaTerminato();
        return;
    }
    Form_Load();
    show();
    Form_Activate();
    AvviaLettura();
}

void FrmMain::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_caricata)
        Form_Activate();
}

void FrmMain::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

bool FrmMain::eventFilter(QObject *watched, QEvent *event)
{
    // The mouse opens the pop-up through the transcript's button event; the
    // context-menu key and Shift+F10 arrive here.
    if (watched != TxtMes)
        return QMainWindow::eventFilter(watched, event);
    const QPoint alCursore = TxtMes->viewport()->mapToGlobal(TxtMes->cursorRect().bottomLeft());
    if (event->type() == QEvent::ContextMenu) {
        if (static_cast<QContextMenuEvent *>(event)->reason() == QContextMenuEvent::Keyboard)
            mostraMenuModifica(alCursore);
        return true;
    }
    if (event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->keyCombination() == QKeyCombination(Qt::ShiftModifier, Qt::Key_F10)) {
        mostraMenuModifica(alCursore);
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}
