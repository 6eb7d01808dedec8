#pragma once

#include "RetrievalObject.h"
#include "RuntimeError.h"

#include <QStringList>
#include <functional>
#include <optional>

// Stands in for a retrieval object of CiarlaServer: remembers what the window
// asks of it, and answers when the test says so.
class FakeRetrieval : public RetrievalObject
{
    Q_OBJECT

public:
    using RetrievalObject::RetrievalObject;

    void setURL(const QString &url) override { m_url = url; }
    void Download() override
    {
        if (erroreDownload)
            throw *erroreDownload;
        downloads.append(m_url);
    }
    void Termina() override
    {
        ++terminate;
        if (alTermina)
            alTermina();
    }

    void rispondi(const QString &corpo) { Q_EMIT FileRicevuto(corpo); }
    void fallisci(qint32 code, const QString &descrizione) { Q_EMIT Errore(code, descrizione); }

    QStringList downloads;
    int terminate = 0;
    // Told of every Termina, so a count survives the object's release.
    std::function<void()> alTermina;
    std::optional<RuntimeError> erroreDownload;

private:
    QString m_url;
};
