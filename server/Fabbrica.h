#pragma once

#include "ObjectGate.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QHash>
#include <QObject>
#include <QTimer>

class AutomationObject;

// The class factory on /CiarlaServer. Each object it creates belongs to the
// calling connection, which alone may use it (see ObjectGate), and is released
// when that connection leaves the bus. Paths end in random bits, never a count.
// With no object left for a few seconds, the server has nothing to do.
class Fabbrica : public QObject, protected QDBusContext
{
    Q_OBJECT
public:
    explicit Fabbrica(const QDBusConnection &bus, QObject *parent = nullptr);
    ~Fabbrica() override;

    // Registers /CiarlaServer and its objects' gate and takes the well-known name; false when any fails.
    bool pubblica();

public Q_SLOTS:
    QDBusObjectPath CreaRecuperaHTTP();

Q_SIGNALS:
    void inattivo();

private:
    void rilascia(AutomationObject *oggetto);
    void proprietarioUscito(const QString &proprietario);
    void fineInattivita();
    QString percorsoNuovo() const;

    QDBusConnection m_bus;
    QDBusServiceWatcher m_proprietari;
    QTimer m_inattivita;
    QHash<QString, AutomationObject *> m_oggetti; // by path
    ObjectGate m_porta{[this](const QString &path) { return m_oggetti.value(path); }};
};
