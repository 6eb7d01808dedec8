#pragma once

#include "RecuperaHTTP.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <memory>

class BusEventSink;

// One RecuperaHTTP object as its owner sees it on the bus: the class's members
// and properties on _RecuperaHTTP, the platform's entries (Advise, Unadvise,
// Rilascia) on Automazione. A failure becomes the contract's error reply.
// Only ObjectGate hands it calls, and only its owner's.
class AutomationObject : public QObject
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
    AutomationObject(const QString &owner, const QString &path, QObject *parent = nullptr);
    ~AutomationObject() override;

    // The unique bus name of the connection that created the object.
    QString owner() const { return m_owner; }
    QString path() const { return m_path; }

    // Answers one call of the owner; false for Introspect, which Qt answers
    // from introspection().
    bool handle(const QDBusMessage &call, const QDBusConnection &bus);
    // The object's interfaces as the contract describes them.
    static QString introspection();

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

Q_SIGNALS:
    // The object is to be released: the factory forgets and deletes it.
    void rilascio();

private:
    // Both return the reply, or an invalid message when the reply goes later.
    QDBusMessage invoke(const QDBusMessage &call, const QDBusConnection &bus);
    QDBusMessage properties(const QDBusMessage &call);

    const QString m_owner;
    const QString m_path;
    std::unique_ptr<BusEventSink> m_sink;
    // Declared last: destroyed first (running Termina), while its sink still exists.
    RecuperaHTTP m_oggetto;
};
