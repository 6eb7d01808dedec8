#include "FrmImpostazioni.h"

#include "ImpostazioneNotifiche.h"
#include "NumericText.h"
#include "MessageBox.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
const QString sezione = u"Connessione"_s;

QLineEdit *labelledField(QWidget *parent, QGridLayout *grid, int row, const QString &labelName,
                         const QString &caption, const QString &fieldName, QLabel **label)
{
    *label = new QLabel(caption, parent);
    (*label)->setObjectName(labelName);
    auto *field = new QLineEdit(parent);
    field->setObjectName(fieldName);
    (*label)->setBuddy(field);
    field->setAccessibleName(caption.chopped(1));
    grid->addWidget(*label, row, 0);
    grid->addWidget(field, row, 1);
    return field;
}

template <typename T>
T *named(T *widget, const QString &name)
{
    widget->setObjectName(name);
    return widget;
}
} // namespace

FrmImpostazioni::FrmImpostazioni(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(u"FrmImpostazioni"_s);
    setWindowTitle(u"Impostazioni"_s);
    creaControlli();

    LeggiConfigurazione();
    const bool conProxy = !m_proxy.isEmpty();
    (conProxy ? OptProxy : OptSys)->setChecked(true);
    txtProxy->setText(conProxy ? m_proxy : QString());
    txtPorta->setText(conProxy ? m_porta : QString());
    txtUser->setText(m_username);
    txtPsw->setText(m_password);
    chkSyn->setChecked(m_sincrono);
    chkNotifica->setChecked(m_notifica);
    AbilitaCampiProxy();
    m_annulla = true;
}

void FrmImpostazioni::creaControlli()
{
    creaFrameConnessione();
    creaFrameAutenticazione();
    OKButton = named(new QPushButton(u"OK"_s, this), u"OKButton"_s);
    CancelButton = named(new QPushButton(u"Annulla"_s, this), u"CancelButton"_s);
    chkNotifica = named(new QCheckBox(u"Notifica i nuovi messaggi"_s, this), u"chkNotifica"_s);
    OKButton->setDefault(true);

    auto *frames = new QVBoxLayout;
    frames->addWidget(Frame1);
    frames->addWidget(Frame2);
    frames->addWidget(chkNotifica);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    buttons->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(frames, 1);
    layout->addLayout(buttons);

    QWidget *ordine[] = {OptSys, OptProxy, txtProxy, txtPorta, chkSyn, txtUser, txtPsw, chkNotifica, OKButton, CancelButton};
    for (size_t i = 1; i < std::size(ordine); ++i)
        setTabOrder(ordine[i - 1], ordine[i]);

    connect(OptSys, &QRadioButton::toggled, this, &FrmImpostazioni::AbilitaCampiProxy);
    connect(OptProxy, &QRadioButton::clicked, this, &FrmImpostazioni::OptProxy_Click);
    connect(OKButton, &QPushButton::clicked, this, &FrmImpostazioni::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void FrmImpostazioni::creaFrameConnessione()
{
    Frame1 = named(new QGroupBox(u"Connessione "_s, this), u"Frame1"_s);
    OptSys = named(new QRadioButton(u"Utilizza le impostazioni di Sistema"_s, Frame1), u"OptSys"_s);
    OptProxy = named(new QRadioButton(u"Specifica proxy"_s, Frame1), u"OptProxy"_s);
    auto *proxyGrid = new QGridLayout;
    txtProxy = labelledField(Frame1, proxyGrid, 0, u"Label1"_s, u"Proxy:"_s, u"txtProxy"_s, &Label1);
    txtPorta = labelledField(Frame1, proxyGrid, 1, u"Label2"_s, u"Porta:"_s, u"txtPorta"_s, &Label2);
    chkSyn = named(new QCheckBox(u"Connessione sincrona"_s, Frame1), u"chkSyn"_s);
    auto *layout = new QVBoxLayout(Frame1);
    layout->addWidget(OptSys);
    layout->addWidget(OptProxy);
    layout->addLayout(proxyGrid);
    layout->addWidget(chkSyn);
}

void FrmImpostazioni::creaFrameAutenticazione()
{
    Frame2 = named(new QGroupBox(u"Autenticazione "_s, this), u"Frame2"_s);
    auto *grid = new QGridLayout(Frame2);
    txtUser = labelledField(Frame2, grid, 0, u"Label3"_s, u"Username:"_s, u"txtUser"_s, &Label3);
    txtPsw = labelledField(Frame2, grid, 1, u"Label4"_s, u"Password:"_s, u"txtPsw"_s, &Label4);
    txtPsw->setEchoMode(QLineEdit::Password);
    txtPsw->setStyleSheet(u"lineedit-password-character: 42;"_s);
}

QString FrmImpostazioni::fileConfigurazione()
{
    return zu.AggiungiSepDir(QCoreApplication::applicationDirPath()) + u"cfg.ini"_s;
}

void FrmImpostazioni::LeggiConfigurazione()
{
    zu.CurDirApp();
    const QString file = fileConfigurazione();
    m_proxy = zu.LeggiINI(file, sezione, u"Proxy"_s, QString()).trimmed();
    m_porta = zu.LeggiINI(file, sezione, u"Porta"_s, QString()).trimmed();
    m_username = zu.LeggiINI(file, sezione, u"Username"_s, QString()).trimmed();
    m_password = zu.LeggiINI(file, sezione, u"Password"_s, QString()).trimmed();
    m_sincrono = zu.LeggiINI(file, sezione, u"Sincrono"_s, u"0"_s).trimmed() == u"1"_s;
    m_notifica = ImpostazioneNotifiche::attive();
}

void FrmImpostazioni::SalvaConfigurazione()
{
    const QString file = fileConfigurazione();
    zu.ScriviINI(file, sezione, u"Proxy"_s, m_proxy);
    zu.ScriviINI(file, sezione, u"Porta"_s, m_porta);
    zu.ScriviINI(file, sezione, u"Username"_s, m_username);
    zu.ScriviINI(file, sezione, u"Password"_s, m_password);
    zu.ScriviINI(file, sezione, u"Sincrono"_s, m_sincrono ? u"1"_s : u"0"_s);
    ImpostazioneNotifiche::setAttive(m_notifica);
}

void FrmImpostazioni::AbilitaCampiProxy()
{
    txtProxy->setEnabled(!OptSys->isChecked());
    txtPorta->setEnabled(txtProxy->isEnabled());
}

void FrmImpostazioni::OptProxy_Click()
{
    AbilitaCampiProxy();
    // After an arrow key the option itself takes the focus once the click is
    // reported; the proxy name takes it from there.
    QMetaObject::invokeMethod(txtProxy, qOverload<>(&QWidget::setFocus), Qt::QueuedConnection);
}

bool FrmImpostazioni::validaProxy()
{
    const QString proxy = txtProxy->text().trimmed();
    QString porta = txtPorta->text().trimmed();
    if (porta.isEmpty())
        porta = u"80"_s;
    QString motivo;
    if (NumericText::leadingValue(porta) == 0)
        motivo = u"Numero di porta non valido. Impossibile procedere."_s;
    else if (proxy.isEmpty())
        motivo = u"E' necessario specificare il nome del proxy. Impossibile procedere."_s;
    if (!motivo.isEmpty()) {
        MessageBox::show(motivo, MessageBox::Critical, u"Attenzione"_s, this);
        return false;
    }
    m_proxy = proxy;
    m_porta = porta;
    return true;
}

void FrmImpostazioni::OKButton_Click()
{
    if (OptProxy->isChecked()) {
        if (!validaProxy())
            return;
    } else {
        m_proxy.clear();
        m_porta.clear();
    }
    m_username = txtUser->text().trimmed();
    m_password = txtPsw->text().trimmed();
    m_sincrono = chkSyn->isChecked();
    m_notifica = chkNotifica->isChecked();
    SalvaConfigurazione();
    m_annulla = false;
    accept();
}
