#pragma once

#include <QString>
#include <functional>

// Where a retrieval object's events go. Raising an event returns at once;
// `gestito` runs when the client has handled it (or can no longer handle it).
class EventSink
{
public:
    virtual ~EventSink() = default;
    virtual void FileRicevuto(const QString &datafile, std::function<void()> gestito) = 0;
    virtual void Errore(qint32 code, const QString &descrizione, std::function<void()> gestito) = 0;
};
