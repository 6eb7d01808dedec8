#pragma once

#include <QObject>
#include <QString>

// What the main window needs of one retrieval object of CiarlaServer. The window
// talks only to this, so its polling and sending logic runs the same against the
// real object on the bus and against a stand-in in the tests.
//
// Every call may throw RuntimeError. Exactly one of the two signals answers each
// Download, possibly before Download returns; a handler may call Termina().
class RetrievalObject : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual void setURL(const QString &url) = 0;
    virtual void Download() = 0;
    virtual void Termina() = 0;

Q_SIGNALS:
    void FileRicevuto(const QString &datafile);
    void Errore(qint32 code, const QString &descrizione);
};
