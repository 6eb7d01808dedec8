// The polling cycle: one request in flight at most, guarded by InLettura alone.
#include "FrmMain.h"

#include "AvvisoMessaggi.h"
#include "CurrentError.h"
#include "IndirizziChat.h"
#include "LimitedTextEdit.h"
#include "MessageBox.h"
#include "RetrievalObject.h"
#include "RuntimeError.h"
#include "Trascrizione.h"
#include "ZuStato.h"

#include <QLineEdit>
#include <QRadioButton>

using namespace Qt::StringLiterals;

namespace {
const QString titoloErrore = u"Errore"_s;

QString testoErrore(qint32 code, const QString &descrizione)
{
    return QString::number(code) + u": "_s + descrizione;
}
} // namespace

void FrmMain::creaOggettiRecupero()
{
    try {
        recHyper = m_factory(this);
        connect(recHyper, &RetrievalObject::FileRicevuto, this, &FrmMain::recHyper_FileRicevuto);
        connect(recHyper, &RetrievalObject::Errore, this, &FrmMain::recHyper_Errore);
        recHyperInvio = m_factory(this);
        connect(recHyperInvio, &RetrievalObject::FileRicevuto, this, &FrmMain::recHyperInvio_FileRicevuto);
        connect(recHyperInvio, &RetrievalObject::Errore, this, &FrmMain::recHyperInvio_Errore);
    } catch (const RuntimeError &e) {
        // Without CiarlaServer nothing can be fetched: say so once, show it in the
        // transcript and keep polling suspended until the user connects again.
        InLettura = true;
        m_trascrizione->ScriviBanner(e.description());
        MessageBox::show(testoErrore(e.number(), e.description()), MessageBox::Critical, titoloErrore, this);
        ZuStato1->setOnLine(false);
    }
}

void FrmMain::rilasciaOggettiRecupero()
{
    // Later, not now: the release may come from inside one of their own events,
    // and releasing talks to the bus. Without a parent they also outlive this
    // window's own destruction until the event loop deletes them.
    for (RetrievalObject *oggetto : {recHyper.data(), recHyperInvio.data()}) {
        if (oggetto) {
            oggetto->disconnect(this);
            oggetto->setParent(nullptr);
            oggetto->deleteLater();
        }
    }
    recHyper.clear();
    recHyperInvio.clear();
}

FrmMain::StatoLettura FrmMain::statoLettura() const
{
    if (!InLettura)
        return StatoLettura::Inattivo;
    return ScartaRisposta ? StatoLettura::Scarto : StatoLettura::InVolo;
}

void FrmMain::setStatoErrore(bool nuovoValore)
{
    m_statoErrore = nuovoValore;
    // Before the first reply the indicator keeps the look it was created with.
    if (!nuovoValore && !RispostaRicevuta)
        return;
    ZuStato1->setOnLine(!nuovoValore);
}

void FrmMain::Form_Activate()
{
    try {
        AvviaLettura();
        if (txtNick->text().isEmpty())
            txtNick->setFocus();
        else
            txtContenuto->setFocus();
    } catch (const RuntimeError &e) {
        zu().PrintErrore(e);
    }
}

void FrmMain::AvviaLettura()
{
    if (InLettura)
        return;
    InLettura = true;
    try {
        if (!recHyper)
            throw RuntimeError(91);
        recHyper->setURL(IndirizziChat::indirizzoLettura(IndirizzoBase, UsaCanali, stanzaSelezionata()));
        recHyper->Download();
    } catch (const RuntimeError &e) {
        // InLettura stays set: polling is suspended until the window is reloaded.
        MessageBox::show(testoErrore(e.number(), e.description()), MessageBox::Critical, titoloErrore, this);
        CurrentError::clear();
    }
}

void FrmMain::recHyper_FileRicevuto(const QString &datafile)
{
    RispostaRicevuta = true;
    try {
        if (ScartaRisposta)
            ScartaRisposta = false;
        else
            mostraRisposta(datafile);
        InLettura = false;
        UltimoErrore = 0;
        setStatoErrore(false);
    } catch (const RuntimeError &e) {
        InLettura = false;
        MessageBox::show(e.description(), MessageBox::Critical, titoloErrore, this);
        CurrentError::clear();
    }
}

void FrmMain::mostraRisposta(const QString &datafile)
{
    m_trascrizione->ElaboraRisposta(datafile);
    m_avvisi->rispostaDisegnata(m_trascrizione->RecordMostrati());
}

void FrmMain::recHyper_Errore(qint32 code, const QString &descrizione)
{
    m_trascrizione->AzzeraUltimaRisposta();
    m_trascrizione->ScriviBanner(descrizione);
    if (!StatoErrore() || UltimoErrore != code)
        MessageBox::show(testoErrore(code, descrizione), MessageBox::Critical, titoloErrore, this);
    try {
        recHyper->Termina();
    } catch (const RuntimeError &) {
        // The error is already on screen; a server that cannot even stop must
        // not leave the cycle stuck in flight.
    }
    UltimoErrore = code;
    setStatoErrore(true);
    ScartaRisposta = false;
    InLettura = false;
}

void FrmMain::optCiarla_Click(int)
{
    try {
        m_trascrizione->AzzeraUltimaRisposta();
        m_avvisi->ricomincia();
        m_trascrizione->ScriviBanner(u"attendere..."_s);
        if (InLettura)
            ScartaRisposta = true;
        else
            AvviaLettura();
    } catch (const RuntimeError &e) {
        zu().PrintErrore(e);
    }
}

void FrmMain::tmrLetturaMsg_Timer()
{
    try {
        AvviaLettura();
    } catch (const RuntimeError &e) {
        zu().PrintErrore(e);
    }
}

int FrmMain::stanzaSelezionata() const
{
    for (int i = 0; i < numeroStanze; ++i) {
        if (optCiarla[i]->isChecked())
            return i;
    }
    return 0;
}
