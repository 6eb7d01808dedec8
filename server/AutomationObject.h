#pragma once

#include "RecuperaHTTP.h"

#include <QDBusContext>
#include <QDBusObjectPath>
#include <QObject>
#include <memory>

class BusEventSink;

// One RecuperaHTTP object as the bus sees it: the class's members on
// _RecuperaHTTP, the platform's entries (Advise, Unadvise, Rilascia) on
// Automazione. A failure becomes the contract's error reply.
class AutomationObject : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_PROPERTY(QString URL READ URL WRITE setURL)
    Q_PROPERTY(qint16 stato READ stato)
    Q_PROPERTY(QString NomeProxy READ NomeProxy WRITE setNomeProxy)
    Q_PROPERTY(QString PortaProxy READ PortaProxy WRITE setPortaProxy)
    Q_PROPERTY(QString Username READ Username WRITE setUsername)
    Q_PROPERTY(QString Password READ Password WRITE setPassword)
    Q_PROPERTY(bool Sincrono READ Sincrono WRITE setSincrono)
public:
    AutomationObject(const QString &owner, const QDBusObjectPath &path, QObject *parent = nullptr);
    ~AutomationObject() override;

    QString owner() const { return m_owner; }
    QDBusObjectPath path() const { return m_path; }

    QString URL() const { return m_oggetto.URL(); }
    void setURL(const QString &url) { m_oggetto.setURL(url); }
    qint16 stato() { return m_oggetto.stato(); }
    QString NomeProxy() const { return m_oggetto.NomeProxy; }
    void setNomeProxy(const QString &value) { m_oggetto.NomeProxy = value; }
    QString PortaProxy() const { return m_oggetto.PortaProxy; }
    void setPortaProxy(const QString &value) { m_oggetto.PortaProxy = value; }
    QString Username() const { return m_oggetto.Username; }
    void setUsername(const QString &value) { m_oggetto.Username = value; }
    QString Password() const { return m_oggetto.Password; }
    void setPassword(const QString &value) { m_oggetto.Password = value; }
    bool Sincrono() const { return m_oggetto.Sincrono; }
    void setSincrono(bool value) { m_oggetto.Sincrono = value; }

public Q_SLOTS:
    void Download();
    void Termina();
    void LeggiConfigurazione();
    void Advise(const QDBusObjectPath &sink);
    void Unadvise();
    void Rilascia();

Q_SIGNALS:
    // The object is to be released: the factory unregisters and deletes it.
    void rilascio();

private:
    template<typename Member>
    void esegui(Member member);

    const QString m_owner;
    const QDBusObjectPath m_path;
    std::unique_ptr<BusEventSink> m_sink;
    // Declared last: destroyed first (running Termina), while its sink still exists.
    RecuperaHTTP m_oggetto;
};
