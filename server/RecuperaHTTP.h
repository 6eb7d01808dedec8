#pragma once

#include <QString>
#include <functional>
#include <memory>

class EventSink;
class FrmInetClass;

// One retrieval job at a time: the client sets URL, calls Download and learns
// the outcome through exactly one event, FileRicevuto or Errore.
// Failures of the members are thrown as RuntimeError.
class RecuperaHTTP
{
public:
    RecuperaHTTP();
    ~RecuperaHTTP();
    RecuperaHTTP(const RecuperaHTTP &) = delete;
    RecuperaHTTP &operator=(const RecuperaHTTP &) = delete;

    QString URL() const { return m_url; }
    void setURL(const QString &url) { m_url = url; }
    // Returns once the request has started; `restituito` runs then, which is
    // after the Errore event of a failed start has been handled.
    void Download(std::function<void()> restituito = {});
    qint16 stato();
    void Termina();
    void LeggiConfigurazione();

    // Refreshed from the settings store at the start of every request.
    QString NomeProxy;
    QString PortaProxy;
    QString Username;
    QString Password;
    bool Sincrono = false;

    // The engine's notifications; `gestito` runs once the client has handled the event.
    void SegnalaFileRicevuto(const QString &datafile, std::function<void()> gestito);
    void SegnalaErrore(qint32 code, const QString &descrizione, std::function<void()> gestito);

    // Null: events are dropped, as when no client listens.
    void setEventSink(EventSink *sink) { m_sink = sink; }

private:
    FrmInetClass &motore();

    QString m_url;
    std::unique_ptr<FrmInetClass> m_motore;
    EventSink *m_sink = nullptr;
};
