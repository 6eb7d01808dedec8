#pragma once

#include "EventSink.h"
#include "eventirecuperahttpproxy.h"

class QDBusPendingCall;

// A client's sink object on the bus: an event is a call to it, handled when
// the client replies (or when the call fails because the client has gone).
// There is no time-out: a client may keep a message box open for minutes.
class BusEventSink : public EventSink
{
public:
    BusEventSink(const QDBusConnection &bus, const QString &service, const QString &path);

    void FileRicevuto(const QString &datafile, std::function<void()> gestito) override;
    void Errore(qint32 code, const QString &descrizione, std::function<void()> gestito) override;

private:
    static void quandoGestito(const QDBusPendingCall &chiamata, std::function<void()> gestito);

    EventiRecuperaHTTPProxy m_proxy;
};
