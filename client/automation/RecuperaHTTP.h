#pragma once

#include <QObject>
#include <QString>
#include <memory>

// A retrieval object of CiarlaServer, reached over the session bus. It looks
// like the server's RecuperaHTTP: set URL, call Download, and exactly one of
// FileRicevuto or Errore follows (emitted while the server waits for them).
//
// Every call throws RuntimeError (number and description) when the server
// reports a failure. When CiarlaServer ends, a request in flight ends with
// Errore, and the next call creates the object anew on a server that the bus starts.
class RecuperaHTTP : public QObject
{
    Q_OBJECT
public:
    // Creates the remote object, starting CiarlaServer if needed; throws
    // RuntimeError with an Italian text when that cannot be done.
    explicit RecuperaHTTP(QObject *parent = nullptr);
    // Releases the remote object; failures are ignored.
    ~RecuperaHTTP() override;

    QString URL() const;
    void setURL(const QString &url);
    void Download();
    qint16 stato();
    void Termina();
    QString NomeProxy() const;
    void setNomeProxy(const QString &value);
    QString PortaProxy() const;
    void setPortaProxy(const QString &value);
    QString Username() const;
    void setUsername(const QString &value);
    QString Password() const;
    void setPassword(const QString &value);
    bool Sincrono() const;
    void setSincrono(bool value);
    void LeggiConfigurazione();

Q_SIGNALS:
    void FileRicevuto(const QString &datafile);
    // A handler may call Termina().
    void Errore(qint32 code, const QString &descrizione);

private:
    class Remote;
    std::unique_ptr<Remote> d;
};
