#include "FrmInetClass.h"

#include "Generale.h"
#include "InternetTransfer.h"
#include "NumericText.h"
#include "RecuperaHTTP.h"
#include "RuntimeError.h"
#include "ServerLog.h"

#include <QPointer>
#include <utility>

using namespace Qt::StringLiterals;

namespace {
constexpr int intervalloSincrono = 100;
constexpr int intervalloScadenza = 30000;
constexpr int timeoutRichiesta = 30;
constexpr int dimensioneBlocco = 2048;

QString rigaErrore(qint32 numero, const QString &descrizione)
{
    return QString::number(numero) + u": "_s + descrizione;
}
} // namespace

FrmInetClass::FrmInetClass()
{
    for (QTimer *timer : {&tmrSincrono, &tmrScadenza})
        timer->setSingleShot(true);
    tmrSincrono.setInterval(intervalloSincrono);
    tmrScadenza.setInterval(intervalloScadenza);
    connect(&tmrSincrono, &QTimer::timeout, this, &FrmInetClass::tmrSincrono_Timer);
    connect(&tmrScadenza, &QTimer::timeout, this, &FrmInetClass::tmrScadenza_Timer);
}

FrmInetClass::~FrmInetClass()
{
    delete Inet1;
}

void FrmInetClass::Load()
{
    if (Inet1)
        return;
    Inet1 = new InternetTransfer(m_rete, this);
    connect(Inet1, &InternetTransfer::StateChanged, this, &FrmInetClass::Inet1_StateChanged);
    ScriviLogServer(u"Load"_s);
}

void FrmInetClass::Unload()
{
    if (!Inet1)
        return;
    tmrSincrono.stop();
    tmrScadenza.stop();
    // The control may be the one reporting right now: it goes once that is over.
    Inet1->Cancel();
    Inet1->disconnect(this);
    Inet1->deleteLater();
    Inet1 = nullptr;
    ScriviLogServer(u"Unload"_s);
}

void FrmInetClass::ScriviLogServer(const QString &testo, bool CancellaPrecedente)
{
    Generale::log().scrivi(testo, CancellaPrecedente);
}

void FrmInetClass::IniziaRecupero(const QString &wUrl, RecuperaHTTP &obj, std::function<void()> avviato)
{
    try {
        Termina();
        callback = &obj;
        m_state = 1;
        ++m_richiesta;
        ScriviLogServer(u"GET File HTML"_s, true);
        obj.LeggiConfigurazione();
        Inet1->setURL(wUrl);
        if (!obj.NomeProxy.isEmpty()) {
            Inet1->setAccessType(InternetTransfer::NamedProxy);
            Inet1->setProxy(obj.NomeProxy);
            Inet1->setRemotePort(NumericText::toPort(NumericText::leadingValue(obj.PortaProxy)));
        } else {
            Inet1->setAccessType(InternetTransfer::DefaultAccess);
        }
        if (!obj.Username.trimmed().isEmpty()) {
            Inet1->setUserName(obj.Username);
            Inet1->setPassword(obj.Password);
        }
        Inet1->setRequestTimeout(timeoutRichiesta);
        tmrScadenza.stop();
        tmrSincrono.stop();
        if (callback->Sincrono) {
            tmrSincrono.start();
        } else {
            Inet1->Execute(u"GET"_s);
            if (Inet1->ResponseCode() != 0)
                throw RuntimeError(Inet1->ResponseCode(), Inet1->ResponseInfo());
            tmrScadenza.start();
        }
    } catch (const RuntimeError &errore) {
        passiFallimento(errore, std::move(avviato));
        return;
    }
    avviato();
}

// A failed start or a failed synchronous fetch.
void FrmInetClass::passiFallimento(const RuntimeError &errore, std::function<void()> infine)
{
    m_state = 2;
    const qint32 numero = errore.number();
    const QString descrizione = errore.description();
    notifica([&](auto gestito) { callback->SegnalaErrore(numero, descrizione, std::move(gestito)); },
             [this, numero, descrizione] {
                 ScriviLogServer(rigaErrore(numero, descrizione));
                 Unload();
             },
             std::move(infine));
}

void FrmInetClass::Termina()
{
    Load();
    tmrScadenza.stop();
    if (Inet1->StillExecuting())
        Inet1->Cancel();
    if (m_state == 1)
        m_state = 0;
}

void FrmInetClass::Inet1_StateChanged(qint16 State)
{
    ScriviLogServer(u"State code: "_s + QString::number(State));
    if (State == InternetTransfer::Error)
        passiErroreStato();
    else if (State == InternetTransfer::ResponseCompleted && !callback->Sincrono)
        passiCompletamento();
}

void FrmInetClass::passiErroreStato()
{
    m_state = 2;
    tmrScadenza.stop();
    const qint32 codice = Inet1->ResponseCode();
    const QString info = Inet1->ResponseInfo();
    ScriviLogServer(rigaErrore(codice, info));
    // In synchronous mode the fetch in progress closes the window.
    notifica([&](auto gestito) { callback->SegnalaErrore(codice, info, std::move(gestito)); },
             [this] {
                 if (!callback->Sincrono)
                     Unload();
             });
}

void FrmInetClass::passiCompletamento()
{
    QString buffer;
    for (QString blocco; !(blocco = Inet1->GetChunk(dimensioneBlocco)).isEmpty();)
        buffer += blocco;
    m_state = 0;
    tmrScadenza.stop();
    notifica([&](auto gestito) { callback->SegnalaFileRicevuto(buffer, std::move(gestito)); },
             [this] {
                 ScriviLogServer(u"Risposta ricevuta."_s);
                 Unload();
             });
}

void FrmInetClass::tmrSincrono_Timer()
{
    tmrSincrono.stop();
    ScriviLogServer(u"Begin OpenURL"_s);
    try {
        const quint64 richiesta = m_richiesta;
        Inet1->OpenURL([this, richiesta](const QString &testo) {
            dopoLeNotifiche([this, richiesta, testo] {
                if (richiesta == m_richiesta)
                    fineOpenURL(testo);
            });
        });
    } catch (const RuntimeError &errore) {
        passiFallimento(errore);
    }
}

void FrmInetClass::fineOpenURL(const QString &testo)
{
    ScriviLogServer(u"End OpenURL"_s);
    // After an error state m_state is 2 and the text is dropped.
    if (m_state == 2) {
        Unload();
        return;
    }
    notifica([&](auto gestito) { callback->SegnalaFileRicevuto(testo, std::move(gestito)); },
             [this] {
                 m_state = 0;
                 Unload();
             });
}

void FrmInetClass::tmrScadenza_Timer()
{
    tmrScadenza.stop();
    Termina();
    const RuntimeError scadenza(RuntimeError::RequestTimedOut);
    notifica([&](auto gestito) { callback->SegnalaErrore(scadenza.number(), scadenza.description(), std::move(gestito)); },
             {});
}

void FrmInetClass::notifica(const std::function<void(std::function<void()>)> &solleva, std::function<void()> poi,
                            std::function<void()> infine)
{
    ++m_notifichePendenti;
    // The client may release the object, and with it this engine, while it handles the event.
    solleva([guard = QPointer<FrmInetClass>(this), richiesta = m_richiesta, poi = std::move(poi),
             infine = std::move(infine)] {
        if (guard)
            guard->notificaGestita(richiesta, poi);
        if (infine)
            infine();
    });
}

void FrmInetClass::notificaGestita(quint64 richiesta, const std::function<void()> &poi)
{
    --m_notifichePendenti;
    if (poi && richiesta == m_richiesta)
        poi();
    if (m_notifichePendenti == 0) {
        for (const auto &passo : std::exchange(m_passiSospesi, {}))
            passo();
    }
}

void FrmInetClass::dopoLeNotifiche(std::function<void()> passo)
{
    if (m_notifichePendenti == 0)
        passo();
    else
        m_passiSospesi.push_back(std::move(passo));
}
