// Menu commands: clipboard, printing, help, web pages, connect, settings, exit.
#include "FrmMain.h"

#include "DataFolder.h"
#include "FrmImpostazioni.h"
#include "FrmLeggimi.h"
#include "IndirizziChat.h"
#include "MessageBox.h"
#include "RichTextView.h"
#include "RuntimeError.h"
#include "frmAbout.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QPrinter>
#include <QPrinterInfo>

using namespace Qt::StringLiterals;

namespace {
// Copying replaces whatever the clipboard held, in every format.
void mettiNegliAppunti(QMimeData *dati)
{
    QClipboard *appunti = QApplication::clipboard();
    appunti->clear();
    appunti->setMimeData(dati);
}

void mettiTestoNegliAppunti(const QString &testo)
{
    auto *dati = new QMimeData;
    dati->setText(testo);
    mettiNegliAppunti(dati);
}
} // namespace

void FrmMain::mostraModale(QDialog &dialogo)
{
    dialogo.exec();
    // Where no window manager hands the activation back, take it: coming back
    // from a dialog polls at once.
    activateWindow();
}

void FrmMain::mnclip_Click()
{
    const bool conTesto = !TxtMes->plainText().isEmpty();
    mncopia->setEnabled(conTesto);
    mncopiarft->setEnabled(conTesto);
    mnstampa->setEnabled(conTesto);
    mnsel->setEnabled(!TxtMes->selectedText().isEmpty());
}

void FrmMain::mostraMenuModifica(const QPoint &posizioneGlobale)
{
    mnclip->popup(posizioneGlobale);
}

void FrmMain::TxtMes_MouseDown(int button, int, double x, double y)
{
    if (button == 2)
        mostraMenuModifica(TxtMes->mapToGlobal(QPointF(x, y).toPoint()));
}

void FrmMain::mnsel_Click()
{
    try {
        mettiTestoNegliAppunti(TxtMes->selectedText());
    } catch (const RuntimeError &e) {
        zu().PrintErrore(e);
    }
}

void FrmMain::mncopia_Click()
{
    try {
        // The rich-text source for the programs that read it, and the same
        // formatting as HTML for those that do not.
        auto *dati = new QMimeData;
        dati->setData(u"text/rtf"_s, TxtMes->rtfSource().toLatin1());
        dati->setData(u"application/rtf"_s, TxtMes->rtfSource().toLatin1());
        dati->setHtml(TxtMes->toHtml());
        dati->setText(TxtMes->plainText());
        mettiNegliAppunti(dati);
    } catch (const RuntimeError &e) {
        zu().PrintErrore(e);
    }
}

void FrmMain::mncopiarft_Click()
{
    try {
        mettiTestoNegliAppunti(TxtMes->plainText());
    } catch (const RuntimeError &e) {
        zu().PrintErrore(e);
    }
}

void FrmMain::mnstampa_Click()
{
    const QPrinterInfo predefinita = QPrinterInfo::defaultPrinter();
    bool stampato = false;
    if (!predefinita.isNull()) {
        try {
            QPrinter stampante(predefinita);
            stampante.setDocName(windowTitle());
            if (stampante.isValid()) {
                TxtMes->printSelection(&stampante);
                stampato = stampante.printerState() != QPrinter::Error;
            }
        } catch (const RuntimeError &) {
            stampato = false;
        }
    }
    if (!stampato) {
        MessageBox::show(u"Impossibile stampare. Verificare se la stampante è on-line o installata correttamente."_s,
                         MessageBox::Critical, u"Stampa"_s, this);
    }
}

void FrmMain::mnguida_Click()
{
    try {
        zu().EseguiEx(this, IndirizziChat::indirizzoGuida(DataFolder::path()), false);
    } catch (const RuntimeError &e) {
        zu().PrintErrore(e);
    }
}

void FrmMain::guidaWeb()
{
    zu().EseguiEx(this, IndirizziChat::indirizzoGuidaWeb(DataFolder::path()), false);
}

void FrmMain::mnLeggimi_Click()
{
    try {
        FrmLeggimi leggimi(this);
        mostraModale(leggimi);
    } catch (const RuntimeError &e) {
        zu().PrintErrore(e);
    }
}

void FrmMain::mnupdate_Click()
{
    try {
        zu().GoWeb(this, IndirizziChat::indirizzoAggiornamento());
    } catch (const RuntimeError &e) {
        zu().PrintErrore(e);
    }
}

void FrmMain::mninfo_Click()
{
    frmAbout informazioni(this);
    mostraModale(informazioni);
}

void FrmMain::mnciarla_Click()
{
    zu().GoWeb(this, IndirizziChat::indirizzoMiaChat());
}

void FrmMain::mnvalligiani_Click()
{
    zu().GoWeb(this, IndirizziChat::indirizzoValligiani());
}

void FrmMain::Image1_Click()
{
    zu().Homepage(this);
}

void FrmMain::mnconnetti_Click()
{
    Ricarica(true);
}

void FrmMain::mnimpostazioni_Click()
{
    bool confermato = false;
    {
        FrmImpostazioni impostazioni(this);
        mostraModale(impostazioni);
        confermato = !impostazioni.Annulla();
    }
    if (confermato)
        Ricarica(false);
}

void FrmMain::mnesci_Click()
{
    close();
}
