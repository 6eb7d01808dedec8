#include "RemoteRetrieval.h"

#include "RecuperaHTTP.h"

RemoteRetrieval::RemoteRetrieval(QObject *parent)
    : RetrievalObject(parent)
    , m_remoto(new RecuperaHTTP(this))
{
    connect(m_remoto, &RecuperaHTTP::FileRicevuto, this, &RetrievalObject::FileRicevuto);
    connect(m_remoto, &RecuperaHTTP::Errore, this, &RetrievalObject::Errore);
}

void RemoteRetrieval::setURL(const QString &url)
{
    m_remoto->setURL(url);
}

void RemoteRetrieval::Download()
{
    m_remoto->Download();
}

void RemoteRetrieval::Termina()
{
    m_remoto->Termina();
}
