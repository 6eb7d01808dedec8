#pragma once

#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <vector>

class InternetTransfer;
class RecuperaHTTP;
class RuntimeError;

// The fetch engine of one retrieval object. Its "window" (the transfer
// control) opens at the start of every request and closes when the request
// ends. It never blocks the server's thread: a step that follows an event
// runs when the client has handled the event, and the synchronous fetch waits
// for its body the same way.
class FrmInetClass : public QObject
{
    Q_OBJECT
public:
    FrmInetClass();
    ~FrmInetClass() override;

    // 0 idle, 1 busy, 2 the last request failed; kept while the window is closed.
    qint32 m_state = 0;

    // Starts a request for wUrl on behalf of obj; `avviato` runs when the start
    // is over, after the Errore event of a failed start has been handled.
    void IniziaRecupero(const QString &wUrl, RecuperaHTTP &obj, std::function<void()> avviato);
    // Cancels a running transfer.
    void Termina();
    // Closes the window: the transfer control goes, m_state and callback stay.
    void Unload();

private:
    void Load();
    void ScriviLogServer(const QString &testo, bool CancellaPrecedente = false);
    void Inet1_StateChanged(qint16 State);
    void tmrSincrono_Timer();
    void tmrScadenza_Timer();
    void passiErroreStato();
    void passiCompletamento();
    void fineOpenURL(const QString &testo);
    void passiFallimento(const RuntimeError &errore, std::function<void()> infine = {});

    // Raises an event through callback. `poi` (the steps that follow it) runs
    // once the client has handled it, unless a newer request has started;
    // `infine` runs in any case.
    void notifica(const std::function<void(std::function<void()>)> &solleva, std::function<void()> poi,
                  std::function<void()> infine = {});
    void notificaGestita(quint64 richiesta, const std::function<void()> &poi);
    // Runs `passo` now, or after the events being handled, in order.
    void dopoLeNotifiche(std::function<void()> passo);

    RecuperaHTTP *callback = nullptr;
    QNetworkAccessManager m_rete;
    InternetTransfer *Inet1 = nullptr;
    QTimer tmrSincrono;
    QTimer tmrScadenza;
    quint64 m_richiesta = 0;
    int m_notifichePendenti = 0;
    std::vector<std::function<void()>> m_passiSospesi;
};
