#pragma once

#include <QObject>
#include <QString>
#include <functional>

// The sink that CiarlaServer calls to raise an object's events: exported on
// our connection with the event interface, it hands each event on synchronously.
// The server waits for the reply, that is until the handlers have returned.
class RecuperaHTTPEvents : public QObject
{
    Q_OBJECT
public:
    using FileRicevutoHandler = std::function<void(const QString &)>;
    using ErroreHandler = std::function<void(qint32, const QString &)>;

    RecuperaHTTPEvents(FileRicevutoHandler fileRicevuto, ErroreHandler errore);

public Q_SLOTS:
    void FileRicevuto(const QString &datafile);
    void Errore(int code, const QString &descrizione);

private:
    FileRicevutoHandler m_fileRicevuto;
    ErroreHandler m_errore;
};
