#include "RecuperaHTTPEvents.h"

#include "eventirecuperahttpadaptor.h"

RecuperaHTTPEvents::RecuperaHTTPEvents(FileRicevutoHandler fileRicevuto, ErroreHandler errore)
    : m_fileRicevuto(std::move(fileRicevuto))
    , m_errore(std::move(errore))
{
    new EventiRecuperaHTTPAdaptor(this);
}

void RecuperaHTTPEvents::FileRicevuto(const QString &datafile)
{
    if (m_fileRicevuto)
        m_fileRicevuto(datafile);
}

void RecuperaHTTPEvents::Errore(int code, const QString &descrizione)
{
    if (m_errore)
        m_errore(code, descrizione);
}
