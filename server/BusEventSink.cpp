#include "BusEventSink.h"

#include <QDBusPendingCallWatcher>
#include <climits>

BusEventSink::BusEventSink(const QDBusConnection &bus, const QString &service, const QString &path)
    : m_proxy(service, path, bus)
{
    m_proxy.setTimeout(INT_MAX); // the bus's "no time-out"
}

void BusEventSink::FileRicevuto(const QString &datafile, std::function<void()> gestito)
{
    quandoGestito(m_proxy.FileRicevuto(datafile), std::move(gestito));
}

void BusEventSink::Errore(qint32 code, const QString &descrizione, std::function<void()> gestito)
{
    quandoGestito(m_proxy.Errore(code, descrizione), std::move(gestito));
}

void BusEventSink::quandoGestito(const QDBusPendingCall &chiamata, std::function<void()> gestito)
{
    auto *watcher = new QDBusPendingCallWatcher(chiamata);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [gestito = std::move(gestito)](QDBusPendingCallWatcher *finito) {
                         finito->deleteLater();
                         gestito();
                     });
}
