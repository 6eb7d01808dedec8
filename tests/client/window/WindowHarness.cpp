#include "WindowHarness.h"

#include "LimitedTextEdit.h"
#include "RichTextView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

WindowHarness::WindowHarness()
{
    m_finestra = std::make_unique<FrmMain>([this](QObject *parent) -> RetrievalObject * {
        if (erroreCreazione)
            throw *erroreCreazione;
        auto *oggetto = new FakeRetrieval(parent);
        oggetto->alTermina = [this] { ++m_terminati; };
        m_creati.append(oggetto);
        return oggetto;
    });
}

void WindowHarness::caricaEAttiva()
{
    m_finestra->Form_Load();
    m_finestra->show();
    m_finestra->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_finestra.get()));
}

QString WindowHarness::trascrizione(const FrmMain &finestra)
{
    return finestra.findChild<RichTextView *>(u"TxtMes"_s)->plainText();
}

QString WindowHarness::spia(const FrmMain &finestra)
{
    const auto *etichetta = finestra.findChild<QLabel *>(u"lblmsg"_s);
    return etichetta->isVisibleTo(&finestra) ? etichetta->text() : QString();
}

void WindowHarness::scriviMessaggio(const QString &nick, const QString &messaggio)
{
    controllo<QLineEdit>(u"txtNick"_s)->setText(nick);
    controllo<LimitedTextEdit>(u"txtContenuto"_s)->setPlainText(messaggio);
}

void WindowHarness::clicca(const QString &nomeBottone)
{
    QAbstractButton *bottone = controllo<QAbstractButton>(nomeBottone);
    QVERIFY2(bottone, qPrintable(nomeBottone));
    QTest::mouseClick(bottone, Qt::LeftButton);
}

void WindowHarness::alProssimoDialogo(std::function<void(QWidget *dialogo)> azione)
{
    auto *attesa = new QTimer;
    attesa->setInterval(10);
    QObject::connect(attesa, &QTimer::timeout, [attesa, azione] {
        if (QWidget *dialogo = QApplication::activeModalWidget()) {
            attesa->stop();
            attesa->deleteLater();
            azione(dialogo);
        }
    });
    attesa->start();
}

void WindowHarness::scegliServer(const QString &nome)
{
    alProssimoDialogo([nome](QWidget *dialogo) {
        dialogo->findChild<QRadioButton *>(u"optServer1"_s)->click();
        dialogo->findChild<QLineEdit *>(u"txtServer"_s)->setText(nome);
        dialogo->findChild<QAbstractButton *>(u"OKButton"_s)->click();
    });
}

void WindowHarness::premiNelProssimoDialogo(const QString &nomeBottone)
{
    alProssimoDialogo([nomeBottone](QWidget *dialogo) {
        auto *bottone = dialogo->findChild<QAbstractButton *>(nomeBottone);
        QVERIFY2(bottone, qPrintable(nomeBottone));
        bottone->click();
    });
}

QString WindowHarness::risposta(const QList<Messaggio> &messaggi)
{
    QString corpo = u"<html><body>\n<!-- CHAT INIZIO DATA -->\n<!-- REC -->%1<!-- /0 -->\n"_s.arg(messaggi.size());
    for (int i = 0; i < messaggi.size(); ++i) {
        const Messaggio &m = messaggi.at(i);
        const int numero = i + 1;
        corpo += (numero <= 9 ? u"<!-- N0%1 -->"_s : u"<!-- N%1 -->"_s).arg(numero);
        corpo += u"<!-- NICK -->%1<!-- /0 --><!-- DATA -->%2<!-- /0 --><!-- IP -->%3<!-- /0 -->"
                 "<!-- MSG -->%4<!-- /0 -->\n"_s.arg(m.nick, m.data, m.ip, m.testo);
    }
    return corpo + u"</body></html>"_s;
}
