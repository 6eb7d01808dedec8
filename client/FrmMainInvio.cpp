// Sending a message: the disabled button is the only guard against a second send.
#include "FrmMain.h"

#include "AvvisoMessaggi.h"
#include "CurrentError.h"
#include "IndirizziChat.h"
#include "LimitedTextEdit.h"
#include "MessageBox.h"
#include "RetrievalObject.h"
#include "RuntimeError.h"
#include "ZuStato.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {
const QString titoloInvio = u"Invio"_s;
const QString titoloErrore = u"Errore"_s;
const QString marcaInviato = u"<TITLE>MESSAGGIO INVIATO</TITLE>"_s;
} // namespace

void FrmMain::cmdInvia_Click()
{
    try {
        if (txtNick->text().isEmpty()) {
            MessageBox::show(u"E' obbligatorio indicare il nickname. Impossibile procedere con l'invio del messaggio."_s,
                             MessageBox::Critical, titoloInvio, this);
            txtNick->setFocus();
            return;
        }
        cmdInvia->setEnabled(false);
        InviaMessaggio();
    } catch (const RuntimeError &e) {
        zu().PrintErrore(e);
    }
}

void FrmMain::InviaMessaggio()
{
    try {
        if (!recHyperInvio)
            throw RuntimeError(91);
        recHyperInvio->setURL(IndirizziChat::indirizzoInvio(IndirizzoBase, UsaCanali, stanzaSelezionata(),
                                                            txtNick->text(), txtContenuto->text()));
        recHyperInvio->Download();
    } catch (const RuntimeError &e) {
        cmdInvia->setEnabled(true);
        MessageBox::show(e.description(), MessageBox::Critical, titoloErrore, this);
        CurrentError::clear();
    }
}

void FrmMain::recHyperInvio_FileRicevuto(const QString &datafile)
{
    RispostaRicevuta = true;
    try {
        if (datafile.contains(marcaInviato)) {
            m_avvisi->messaggioInviato(txtNick->text(), txtContenuto->text());
            MessageBox::show(u"Messaggio Inviato"_s, MessageBox::Information, titoloInvio, this);
            txtContenuto->clear();
            AvviaLettura();
        } else {
            MessageBox::show(u"Invio fallito"_s, MessageBox::Information, titoloInvio, this);
        }
        cmdInvia->setEnabled(true);
        QCoreApplication::processEvents();
        txtContenuto->setFocus();
    } catch (const RuntimeError &e) {
        cmdInvia->setEnabled(true);
        MessageBox::show(e.description(), MessageBox::Critical, titoloErrore, this);
        CurrentError::clear();
    }
}

void FrmMain::recHyperInvio_Errore(qint32 code, const QString &descrizione)
{
    cmdInvia->setEnabled(true);
    MessageBox::show(QString::number(code) + u": "_s + descrizione, MessageBox::Critical, titoloErrore, this);
    try {
        recHyperInvio->Termina();
    } catch (const RuntimeError &) {
        // The failure has been reported; the lamp below still has to show it.
    }
    ZuStato1->setOnLine(false);
}
