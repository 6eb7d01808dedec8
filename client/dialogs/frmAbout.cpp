#include "frmAbout.h"

#include "BuildConfig.h"
#include "ServiceAddress.h"
#include "LinkLabel.h"
#include "MessageBox.h"
#include "ProgramStarter.h"
#include "Registry.h"
#include "RuntimeError.h"

#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
const QString titolo = u"CiarlaChat"_s;
// The maker is fictitious, and so are its address and number.
const QString produttore = u"CiarlaSoft di Esempio S.n.c."_s;
const QString indirizzo1 = u"Via dei Chiacchieroni, 12"_s;
const QString indirizzo2 = u"00000 Borgo Esempio (XX)"_s;
const QString telefono = u"Tel. +39 000 000 0000"_s;
const QString diritti = u"© 2026 CiarlaSoft di Esempio. Tutti i diritti riservati."_s;
constexpr quint32 queryAndListRights = 0x20009;

QString versione()
{
    return u"%1.%2.%3"_s.arg(BuildConfig::versionMajor).arg(BuildConfig::versionMinor).arg(BuildConfig::versionRevision);
}

QLabel *namedLabel(const QString &text, const QString &name, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}
} // namespace

frmAbout::frmAbout(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(u"frmAbout"_s);
    creaControlli();
    setWindowTitle(u"Informazioni su "_s + titolo);
    lblVersion->setText(u"Versione "_s + versione() + u'\n' + diritti);
    lblTitle->setText(titolo);
    lblProdotto->setText(u"Prodotto da: "_s);
}

void frmAbout::creaControlli()
{
    picIcon = namedLabel(QString(), u"picIcon"_s, this);
    // The program's icon, as the owning window carries it.
    picIcon->setPixmap(windowIcon().pixmap(64));
    picIcon->setAccessibleName(titolo);
    lblTitle = namedLabel(QString(), u"lblTitle"_s, this);
    QFont grande = lblTitle->font();
    grande.setPointSizeF(grande.pointSizeF() * 1.6);
    grande.setBold(true);
    lblTitle->setFont(grande);
    lblVersion = namedLabel(QString(), u"lblVersion"_s, this);

    creaDettagliProduttore();

    cmdOK = new QPushButton(u"OK"_s, this);
    cmdOK->setObjectName(u"cmdOK"_s);
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(u"&System Info..."_s, this);
    cmdSysInfo->setObjectName(u"cmdSysInfo"_s);

    auto *testi = new QVBoxLayout;
    testi->addWidget(lblTitle);
    testi->addWidget(lblVersion);
    testi->addWidget(Frame1);
    auto *alto = new QHBoxLayout;
    alto->addWidget(picIcon, 0, Qt::AlignTop);
    alto->addLayout(testi, 1);
    auto *pulsanti = new QHBoxLayout;
    pulsanti->addStretch();
    pulsanti->addWidget(cmdOK);
    pulsanti->addWidget(cmdSysInfo);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(alto);
    layout->addLayout(pulsanti);

    setTabOrder(cmdOK, cmdSysInfo);
    setTabOrder(cmdSysInfo, lblEmail);
    setTabOrder(lblEmail, lblSito);

    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
    connect(lblEmail, &LinkLabel::clicked, this, &frmAbout::lblEmail_Click);
    connect(lblSito, &LinkLabel::clicked, this, &frmAbout::lblSito_Click);
}

void frmAbout::creaDettagliProduttore()
{
    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(u"Frame1"_s);
    lblProdotto = namedLabel(QString(), u"lblProdotto"_s, Frame1);
    Label2 = namedLabel(produttore, u"Label2"_s, Frame1);
    Label3 = namedLabel(indirizzo1, u"Label3"_s, Frame1);
    Label4 = namedLabel(indirizzo2, u"Label4"_s, Frame1);
    Label5 = namedLabel(telefono, u"Label5"_s, Frame1);
    lblEmail = new LinkLabel(QLatin1StringView(BuildConfig::makerEmail), Frame1);
    lblEmail->setObjectName(u"lblEmail"_s);
    lblEmail->setAccessibleName(u"Scrivi a "_s + lblEmail->text());
    lblSito = new LinkLabel(ServiceAddress::root(), Frame1);
    lblSito->setObjectName(u"lblSito"_s);
    lblSito->setAccessibleName(u"Visita "_s + lblSito->text());
    auto *dettagli = new QVBoxLayout(Frame1);
    for (QWidget *riga : std::initializer_list<QWidget *>{lblProdotto, Label2, Label3, Label4, Label5, lblEmail, lblSito})
        dettagli->addWidget(riga);
}

QString frmAbout::indirizzoPosta() const
{
    return u"mailto:"_s + lblEmail->text() + u"?subject=SW%20CiarlaChat%20v"_s + versione();
}

void frmAbout::cmdSysInfo_Click()
{
    StartSysInfo();
}

void frmAbout::lblEmail_Click()
{
    try {
        zu.EseguiEx(this, indirizzoPosta(), false);
    } catch (const RuntimeError &e) {
        zu.PrintErrore(e);
    }
}

void frmAbout::lblSito_Click()
{
    try {
        zu.EseguiEx(this, lblSito->text(), false);
    } catch (const RuntimeError &e) {
        zu.PrintErrore(e);
    }
}

QString frmAbout::percorsoSysInfo()
{
    QString percorso;
    if (GetKeyValue(Registry::LocalMachine, u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"_s, u"PATH"_s, percorso))
        return percorso;
    QString cartella;
    if (GetKeyValue(Registry::LocalMachine, u"SOFTWARE\\Microsoft\\Shared Tools Location"_s, u"MSINFO"_s, cartella)) {
        const QString programma = cartella + u"/MSINFO32.EXE"_s;
        if (QFileInfo::exists(programma))
            return programma;
    }
    return {};
}

void frmAbout::StartSysInfo()
{
    const QString percorso = percorsoSysInfo();
    if (percorso.isEmpty() || !ProgramStarter::start(percorso))
        MessageBox::show(u"Le informazioni sul sistema non sono attualmente disponibili."_s, MessageBox::Critical,
                         u"Errore"_s, this);
}

bool frmAbout::GetKeyValue(quint32 KeyRoot, const QString &KeyName, const QString &SubKeyRef, QString &KeyVal)
{
    return Registry::readText(KeyRoot, KeyName, SubKeyRef, queryAndListRights, KeyVal);
}
