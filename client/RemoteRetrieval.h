#pragma once

#include "RetrievalObject.h"

class RecuperaHTTP;

// The real retrieval object: a RecuperaHTTP of CiarlaServer reached over the
// session bus, which starts the server on demand.
class RemoteRetrieval : public RetrievalObject
{
    Q_OBJECT

public:
    // Throws RuntimeError with an Italian text when CiarlaServer cannot be reached.
    explicit RemoteRetrieval(QObject *parent = nullptr);

    void setURL(const QString &url) override;
    void Download() override;
    void Termina() override;

private:
    RecuperaHTTP *m_remoto;
};
