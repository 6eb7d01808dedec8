#pragma once

#include "FakeRetrieval.h"
#include "FrmMain.h"

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>

class QAbstractButton;
class QLabel;

// A main window whose retrieval objects are fakes, with the helpers the window
// tests share: the latest polling and sending objects, the controls by name,
// the lamp's look and chat replies built from records.
class WindowHarness
{
public:
    struct Messaggio
    {
        QString nick, data, ip, testo;
    };

    WindowHarness();

    FrmMain &finestra() { return *m_finestra; }
    FrmMain *operator->() { return m_finestra.get(); }

    // Loads the window and makes it active, which sends the first poll.
    void caricaEAttiva();

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
    // "" before the first assignment, else "on-line" or "errore".
    QString spia() const { return spia(*m_finestra); }
    // The same for any main window, such as one on a real server.
    static QString trascrizione(const FrmMain &finestra);
    static QString spia(const FrmMain &finestra);
    void scriviMessaggio(const QString &nick, const QString &messaggio);
    void clicca(const QString &nomeBottone);
    void tick() { QMetaObject::invokeMethod(controllo<QTimer>(QStringLiteral("tmrLetturaMsg")), "timeout"); }

    // Runs azione on the next modal dialog, once it is up.
    static void alProssimoDialogo(std::function<void(QWidget *dialogo)> azione);
    // Makes the next server selection choose a server of the user's choosing.
    static void scegliServer(const QString &nome);
    // Clicks the named button of the next modal dialog.
    static void premiNelProssimoDialogo(const QString &nomeBottone);

    static QString risposta(const QList<Messaggio> &messaggi);
    static QString rispostaVuota() { return QStringLiteral("<!-- CHAT INIZIO DATA --><!-- NO DATA -->"); }

private:
    QList<QPointer<FakeRetrieval>> m_creati;
    int m_terminati = 0;
    std::unique_ptr<FrmMain> m_finestra;
};
