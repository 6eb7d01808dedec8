#include "frmSceltaServer.h"

#include "MessageBox.h"
#include "SettingsStore.h"

#include <QApplication>
#include <QButtonGroup>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
const QString applicazione = u"CIARLACHAT"_s;
const QString sezione = u"server"_s;
const QString prefisso = u"http://"_s;
// A private server may also speak TLS; its address then keeps its own scheme.
const QString prefissoSicuro = u"https://"_s;

enum Scelta { CanaliPropri = 0, ServerUtente = 1 };
} // namespace

frmSceltaServer::frmSceltaServer(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(u"frmSceltaServer"_s);
    setWindowTitle(u"Connetti"_s);
    creaControlli();

    m_annulla = true;
    m_nomeServer.clear();
    m_canaliCiarlaChat = false;
    txtServer->setText(SettingsStore::value(applicazione, sezione, u"dns"_s).value_or(QString()));
    const QString canali = SettingsStore::value(applicazione, sezione, u"canali"_s).value_or(u"1"_s);
    optServer->button(canali == u"1"_s ? CanaliPropri : ServerUtente)->setChecked(true);
    AggiornaCampoServer();
}

void frmSceltaServer::creaControlli()
{
    OKButton = new QPushButton(u"Connetti"_s, this);
    OKButton->setObjectName(u"OKButton"_s);
    OKButton->setDefault(true);
    CancelButton = new QPushButton(u"Chiudi"_s, this);
    CancelButton->setObjectName(u"CancelButton"_s);

    optServer = new QButtonGroup(this);
    optServer->setObjectName(u"optServer"_s);
    const QString didascalie[] = {u"Canali CiarlaChat"_s, u"Specifica server"_s};
    for (int indice : {CanaliPropri, ServerUtente}) {
        auto *opzione = new QRadioButton(didascalie[indice], this);
        opzione->setObjectName(u"optServer"_s + QString::number(indice));
        opzione->setProperty("index", indice);
        optServer->addButton(opzione, indice);
    }

    lblServer = new QLabel(u"DSN o IP del server: (es. chat.miodominio.example)"_s, this);
    lblServer->setObjectName(u"lblServer"_s);
    txtServer = new QLineEdit(this);
    txtServer->setObjectName(u"txtServer"_s);
    txtServer->setAccessibleName(u"DSN o IP del server"_s);
    lblServer->setBuddy(txtServer);

    auto *scelte = new QVBoxLayout;
    scelte->addWidget(optServer->button(CanaliPropri));
    scelte->addWidget(optServer->button(ServerUtente));
    scelte->addStretch();
    auto *pulsanti = new QVBoxLayout;
    pulsanti->addWidget(OKButton);
    pulsanti->addWidget(CancelButton);
    pulsanti->addStretch();
    auto *layout = new QGridLayout(this);
    layout->addLayout(scelte, 0, 0);
    layout->setColumnStretch(0, 1);
    layout->addLayout(pulsanti, 0, 1, 3, 1);
    layout->addWidget(lblServer, 1, 0);
    layout->addWidget(txtServer, 2, 0);
    txtServer->setMinimumWidth(280);

    QWidget *ordine[] = {OKButton, CancelButton, optServer->button(CanaliPropri), optServer->button(ServerUtente),
                         txtServer};
    for (size_t i = 1; i < std::size(ordine); ++i)
        setTabOrder(ordine[i - 1], ordine[i]);

    connect(optServer, &QButtonGroup::idToggled, this, [this](int, bool scelto) {
        if (scelto)
            AggiornaCampoServer();
    });
    connect(OKButton, &QPushButton::clicked, this, &frmSceltaServer::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void frmSceltaServer::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        zu.FinetraTopMost(this, true);
}

void frmSceltaServer::AggiornaCampoServer()
{
    const bool abilitato = optServer->checkedId() == ServerUtente;
    txtServer->setEnabled(abilitato);
    QPalette tavolozza = txtServer->palette();
    const QPalette sistema = QApplication::palette();
    tavolozza.setColor(QPalette::Base, sistema.color(abilitato ? QPalette::Base : QPalette::Button));
    txtServer->setPalette(tavolozza);
    lblServer->setEnabled(txtServer->isEnabled());
    if (!abilitato)
        return;
    // An arrow key gives the focus to the chosen option only after the choice is
    // reported, so the text box takes it once that is done.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!txtServer->isEnabled())
                return;
            txtServer->setFocus();
            zu.Evidenzia(txtServer);
        },
        Qt::QueuedConnection);
}

QString frmSceltaServer::normalizzaServer(QString nome)
{
    nome.replace(u'\\', u'/');
    if (!nome.startsWith(prefisso, Qt::CaseInsensitive) && !nome.startsWith(prefissoSicuro, Qt::CaseInsensitive))
        nome.prepend(prefisso);
    if (!nome.endsWith(u'/'))
        nome += u'/';
    return nome;
}

void frmSceltaServer::OKButton_Click()
{
    if (optServer->checkedId() == CanaliPropri) {
        m_nomeServer.clear();
        m_canaliCiarlaChat = true;
    } else {
        m_canaliCiarlaChat = false;
        const QString nome = txtServer->text().trimmed();
        if (nome.isEmpty()) {
            m_nomeServer.clear();
            MessageBox::show(u"E' necessario specificare un server."_s, MessageBox::Information, u"Attenzione"_s,
                             this);
            txtServer->setFocus();
            return;
        }
        m_nomeServer = normalizzaServer(nome);
        SettingsStore::setValue(applicazione, sezione, u"dns"_s, m_nomeServer);
    }
    SettingsStore::setValue(applicazione, sezione, u"canali"_s, m_canaliCiarlaChat ? u"1"_s : u"0"_s);
    m_annulla = false;
    accept();
}
