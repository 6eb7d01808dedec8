// Building the main window: controls, layout and menus.
#include "FrmMain.h"

#include "IconaConnetti.h"
#include "LimitedTextEdit.h"
#include "LogoCiarla.h"
#include "RichTextView.h"
#include "ServiceAddress.h"
#include "Trascrizione.h"
#include "ZuStato.h"

#include <QAction>
#include <QButtonGroup>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
QString nomeStanza(int indice)
{
    return u"optCiarla"_s + QString::number(indice);
}

const char *const didascalieStanze[FrmMain::numeroStanze] = {
    "CiarlaChat", "Chat dei Valligiani", "Signori/e", "Ragazzi/e"};

QFont fontCampoNick()
{
    QFont font(u"MS Sans Serif"_s);
    font.setPointSizeF(8.25);
    font.setBold(true);
    return font;
}
} // namespace

void FrmMain::creaControlli()
{
    setObjectName(u"FrmMain"_s);
    setWindowTitle(u"CiarlaChat"_s);
    setWindowIcon(LogoCiarla::icona());

    TxtMes = new RichTextView;
    TxtMes->setObjectName(u"TxtMes"_s);
    TxtMes->setReadOnly(true);
    // Read-only, but the caret still walks the text, so keyboard users and
    // screen readers can read and select the conversation.
    TxtMes->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    TxtMes->setAccessibleName(u"Conversazione"_s);
    TxtMes->setTabChangesFocus(true);
    TxtMes->setContextMenuPolicy(Qt::PreventContextMenu);
    TxtMes->installEventFilter(this);
    connect(TxtMes, &RichTextView::mouseButton, this, &FrmMain::TxtMes_MouseDown);
    m_trascrizione = new Trascrizione(TxtMes, this);

    auto *centrale = new QWidget;
    auto *colonna = new QVBoxLayout(centrale);
    colonna->addWidget(creaBarraStanze());
    colonna->addWidget(TxtMes, 1);
    colonna->addWidget(creaAreaInvio());
    setCentralWidget(centrale);

    tmrLetturaMsg = new QTimer(this);
    tmrLetturaMsg->setObjectName(u"tmrLetturaMsg"_s);
    tmrLetturaMsg->setInterval(intervalloLettura);
    connect(tmrLetturaMsg, &QTimer::timeout, this, &FrmMain::tmrLetturaMsg_Timer);

    creaMenu();
    setTabOrder(txtNick, txtContenuto);
    setTabOrder(txtContenuto, cmdInvia);
    resize(720, 560);
}

QWidget *FrmMain::creaBarraStanze()
{
    auto *barra = new QWidget;
    auto *riga = new QHBoxLayout(barra);
    riga->setContentsMargins(0, 0, 0, 0);

    m_stanze = new QButtonGroup(this);
    for (int i = 0; i < numeroStanze; ++i) {
        optCiarla[i] = new QRadioButton(QString::fromLatin1(didascalieStanze[i]));
        optCiarla[i]->setObjectName(nomeStanza(i));
        optCiarla[i]->setProperty("index", i);
        m_stanze->addButton(optCiarla[i], i);
        riga->addWidget(optCiarla[i]);
    }
    connect(m_stanze, &QButtonGroup::idClicked, this, &FrmMain::optCiarla_Click);
    riga->addStretch(1);

    ZuStato1 = new ZuStato;
    ZuStato1->setObjectName(u"ZuStato1"_s);
    riga->addWidget(ZuStato1, 0, Qt::AlignVCenter);

    cmdConnetti = new QToolButton;
    cmdConnetti->setObjectName(u"cmdConnetti"_s);
    cmdConnetti->setIcon(IconaConnetti::icona());
    cmdConnetti->setIconSize(QSize(24, 24));
    cmdConnetti->setToolTip(u"Connetti..."_s);
    cmdConnetti->setAccessibleName(u"Connetti"_s);
    cmdConnetti->setFocusPolicy(Qt::StrongFocus);
    connect(cmdConnetti, &QToolButton::clicked, this, &FrmMain::mnconnetti_Click);
    riga->addWidget(cmdConnetti);

    Image1 = new QToolButton;
    Image1->setObjectName(u"Image1"_s);
    Image1->setAutoRaise(true);
    Image1->setIcon(LogoCiarla::icona());
    Image1->setIconSize(LogoCiarla::dimensione());
    Image1->setToolTip(ServiceAddress::root());
    Image1->setAccessibleName(u"CiarlaChat"_s);
    Image1->setFocusPolicy(Qt::StrongFocus);
    connect(Image1, &QToolButton::clicked, this, &FrmMain::Image1_Click);
    riga->addWidget(Image1);
    return barra;
}

QWidget *FrmMain::creaAreaInvio()
{
    auto *area = new QWidget;
    auto *griglia = new QGridLayout(area);
    griglia->setContentsMargins(0, 0, 0, 0);

    Label1 = new QLabel(u"Nickname:"_s);
    Label1->setObjectName(u"Label1"_s);
    txtNick = new QLineEdit;
    txtNick->setObjectName(u"txtNick"_s);
    txtNick->setFont(fontCampoNick());
    txtNick->setAccessibleName(u"Nickname:"_s);
    Label1->setBuddy(txtNick);

    lblVersione = new QLabel;
    lblVersione->setObjectName(u"lblVersione"_s);
    lblVersione->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    Label2 = new QLabel(u"Messaggio:"_s);
    Label2->setObjectName(u"Label2"_s);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    txtContenuto = new LimitedTextEdit;
    txtContenuto->setObjectName(u"txtContenuto"_s);
    txtContenuto->setMaxLength(lunghezzaMassimaMessaggio);
    txtContenuto->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtContenuto->setTabChangesFocus(true);
    txtContenuto->setAccessibleName(u"Messaggio:"_s);
    txtContenuto->setFixedHeight(txtContenuto->fontMetrics().lineSpacing() * 4 + 12);
    Label2->setBuddy(txtContenuto);

    cmdInvia = new QPushButton(u"Invia"_s);
    cmdInvia->setObjectName(u"cmdInvia"_s);
    QFont grassetto = cmdInvia->font();
    grassetto.setBold(true);
    cmdInvia->setFont(grassetto);
    cmdInvia->setToolTip(u"Invia il messaggio (Ctrl+Invio)"_s);
    cmdInvia->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    connect(cmdInvia, &QPushButton::clicked, this, &FrmMain::cmdInvia_Click);
    // The message field takes Return for its own line breaks; Ctrl+Return sends
    // from anywhere in the window.
    for (const QKeySequence &tasto : {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)}) {
        auto *scorciatoia = new QShortcut(tasto, this);
        connect(scorciatoia, &QShortcut::activated, cmdInvia, &QPushButton::animateClick);
    }

    griglia->addWidget(Label1, 0, 0);
    griglia->addWidget(txtNick, 0, 1);
    griglia->addWidget(lblVersione, 0, 2);
    griglia->addWidget(Label2, 1, 0);
    griglia->addWidget(txtContenuto, 1, 1);
    griglia->addWidget(cmdInvia, 1, 2);
    griglia->setColumnStretch(1, 1);
    return area;
}

void FrmMain::creaMenu()
{
    QMenu *mnfile = menuBar()->addMenu(u"&File"_s);
    mnfile->setObjectName(u"mnfile"_s);
    aggiungiVoce(mnfile, u"mnconnetti"_s, u"Connetti..."_s, &FrmMain::mnconnetti_Click);
    aggiungiSeparatore(mnfile, u"mnbar2"_s);
    aggiungiVoce(mnfile, u"mnimpostazioni"_s, u"Impostazioni"_s, &FrmMain::mnimpostazioni_Click);
    aggiungiSeparatore(mnfile, u"bar5"_s);
    aggiungiVoce(mnfile, u"mnesci"_s, u"&Esci"_s, &FrmMain::mnesci_Click)->setShortcut(Qt::CTRL | Qt::Key_Q);

    QMenu *mnweb = menuBar()->addMenu(u"&Web"_s);
    mnweb->setObjectName(u"mnweb"_s);
    aggiungiVoce(mnweb, u"mnciarla"_s, u"&Ciarlasoft Chat"_s, &FrmMain::mnciarla_Click);
    aggiungiVoce(mnweb, u"mnvalligiani"_s, u"&Chat dei Valligiani"_s, &FrmMain::mnvalligiani_Click);

    mnclip = menuBar()->addMenu(u"&Modifica"_s);
    mnclip->setObjectName(u"mnclip"_s);
    connect(mnclip, &QMenu::aboutToShow, this, &FrmMain::mnclip_Click);
    mnsel = aggiungiVoce(mnclip, u"mnsel"_s, u"C&opia selezionato negli appunti"_s, &FrmMain::mnsel_Click);
    aggiungiSeparatore(mnclip, u"bar4"_s);
    mncopia = aggiungiVoce(mnclip, u"mncopia"_s, u"&Copia tutto negli appunti come RFT"_s, &FrmMain::mncopia_Click);
    mncopiarft = aggiungiVoce(mnclip, u"mncopiarft"_s, u"C&opia tutto negli appunti come testo"_s,
                              &FrmMain::mncopiarft_Click);
    aggiungiSeparatore(mnclip, u"bar1"_s);
    mnstampa = aggiungiVoce(mnclip, u"mnstampa"_s, u"&Stampa"_s, &FrmMain::mnstampa_Click);

    QMenu *mnhelp = menuBar()->addMenu(u"&?"_s);
    mnhelp->setObjectName(u"mnhelp"_s);
    aggiungiVoce(mnhelp, u"mnLeggimi"_s, u"&Leggimi"_s, &FrmMain::mnLeggimi_Click);
    aggiungiVoce(mnhelp, u"mnguida"_s, u"Guida"_s, &FrmMain::mnguida_Click);
    // F1 opens the guide as a web page in the browser: no PDF viewer needed.
    connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this, &FrmMain::guidaWeb);
    aggiungiSeparatore(mnhelp, u"bar2"_s);
    aggiungiVoce(mnhelp, u"mnupdate"_s, u"&Verifica aggiornamento"_s, &FrmMain::mnupdate_Click);
    aggiungiSeparatore(mnhelp, u"bar3"_s);
    aggiungiVoce(mnhelp, u"mninfo"_s, u"&Informazioni sul prodotto..."_s, &FrmMain::mninfo_Click);
}

QAction *FrmMain::aggiungiVoce(QMenu *menu, const QString &nome, const QString &testo, void (FrmMain::*gestore)())
{
    QAction *voce = menu->addAction(testo);
    voce->setObjectName(nome);
    connect(voce, &QAction::triggered, this, gestore);
    return voce;
}

void FrmMain::aggiungiSeparatore(QMenu *menu, const QString &nome)
{
    menu->addSeparator()->setObjectName(nome);
}
