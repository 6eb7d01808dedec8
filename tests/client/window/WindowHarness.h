#pragma once

#include "FakeRetrieval.h"
#include "FrmMain.h"
#include "LimitedTextEdit.h"
#include "MessageBoxRecorder.h"
#include "RichTextView.h"
#include "RispostaDiProva.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

// A main window whose retrieval objects are fakes, with the helpers the window
// tests share: the latest polling and sending objects, the controls by name,
// the lamp's look, modal dialogs answered, and a recorder of every box.
class WindowHarness
{
public:
    WindowHarness()
        : m_finestra(std::make_unique<FrmMain>([this](QObject *parent) -> RetrievalObject * {
            if (erroreCreazione)
                throw *erroreCreazione;
            auto *oggetto = new FakeRetrieval(parent);
            oggetto->alTermina = [this] { ++m_terminati; };
            m_creati.append(oggetto);
            return oggetto;
        }))
    {
    }

    FrmMain &finestra() { return *m_finestra; }
    FrmMain *operator->() { return m_finestra.get(); }

    // Loads the window and makes it active, which sends the first poll.
    void caricaEAttiva()
    {
        m_finestra->Form_Load();
        m_finestra->show();
        m_finestra->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_finestra.get()));
    }

    // The objects of the current load: polling, then sending.
    FakeRetrieval *lettura() const { return m_creati.size() >= 2 ? m_creati.at(m_creati.size() - 2).data() : nullptr; }
    FakeRetrieval *invio() const { return m_creati.isEmpty() ? nullptr : m_creati.constLast().data(); }
    int oggettiCreati() const { return int(m_creati.size()); }
    // Termina calls on every object created so far, released ones included.
    int terminati() const { return m_terminati; }
    // When set, creating a retrieval object fails with this error.
    std::optional<RuntimeError> erroreCreazione;

    template<typename T> T *controllo(const QString &nome) const { return m_finestra->findChild<T *>(nome); }
    QString trascrizione() const { return trascrizione(*m_finestra); }
    // "" before the first assignment, else "on-line" or "errore" with its own lamp alone lit.
    QString spia() const { return spia(*m_finestra); }
    // The same for any main window, such as one on a real server.
    static QString trascrizione(const FrmMain &finestra)
    {
        return finestra.findChild<RichTextView *>(QStringLiteral("TxtMes"))->plainText();
    }
    static QString spia(const FrmMain &finestra)
    {
        const auto *etichetta = finestra.findChild<QLabel *>(QStringLiteral("lblmsg"));
        const bool on = finestra.findChild<QWidget *>(QStringLiteral("imgOn"))->isVisibleTo(&finestra);
        const bool off = finestra.findChild<QWidget *>(QStringLiteral("imgOff"))->isVisibleTo(&finestra);
        if (!etichetta->isVisibleTo(&finestra))
            return on || off ? QStringLiteral("lamp without label") : QString();
        const bool coerente = on != off && on == (etichetta->text() == QStringLiteral("on-line"));
        return coerente ? etichetta->text() : QStringLiteral("wrong lamp");
    }

    void scriviMessaggio(const QString &nick, const QString &messaggio)
    {
        controllo<QLineEdit>(QStringLiteral("txtNick"))->setText(nick);
        controllo<LimitedTextEdit>(QStringLiteral("txtContenuto"))->setPlainText(messaggio);
    }

    void clicca(const QString &nomeBottone)
    {
        QAbstractButton *bottone = controllo<QAbstractButton>(nomeBottone);
        QVERIFY2(bottone, qPrintable(nomeBottone));
        QTest::mouseClick(bottone, Qt::LeftButton);
    }

    void tick() { QMetaObject::invokeMethod(controllo<QTimer>(QStringLiteral("tmrLetturaMsg")), "timeout"); }

    // Runs azione on the next modal dialog, once it is up.
    static void alProssimoDialogo(std::function<void(QWidget *dialogo)> azione)
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

    // Makes the next server selection choose a server of the user's choosing.
    static void scegliServer(const QString &nome)
    {
        alProssimoDialogo([nome](QWidget *dialogo) {
            dialogo->findChild<QRadioButton *>(QStringLiteral("optServer1"))->click();
            dialogo->findChild<QLineEdit *>(QStringLiteral("txtServer"))->setText(nome);
            dialogo->findChild<QAbstractButton *>(QStringLiteral("OKButton"))->click();
        });
    }

    // Clicks the named button of the next modal dialog.
    static void premiNelProssimoDialogo(const QString &nomeBottone)
    {
        alProssimoDialogo([nomeBottone](QWidget *dialogo) {
            auto *bottone = dialogo->findChild<QAbstractButton *>(nomeBottone);
            QVERIFY2(bottone, qPrintable(nomeBottone));
            bottone->click();
        });
    }

    // Every box the window shows while the harness lives.
    MessageBoxRecorder boxes;

private:
    QList<QPointer<FakeRetrieval>> m_creati;
    int m_terminati = 0;
    std::unique_ptr<FrmMain> m_finestra;
};
