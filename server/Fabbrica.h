#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QList>
#include <QObject>
#include <QTimer>

class AutomationObject;

// The class factory on /CiarlaServer. Each object it creates belongs to the
// calling connection and is released when that connection leaves the bus.
// With no object left for a few seconds, the server has nothing to do.
class Fabbrica : public QObject, protected QDBusContext
{
    Q_OBJECT
public:
    explicit Fabbrica(const QDBusConnection &bus, QObject *parent = nullptr);
    ~Fabbrica() override;

    // Registers /CiarlaServer and takes the well-known name; false when either fails.
    bool pubblica();

public Q_SLOTS:
    QDBusObjectPath CreaRecuperaHTTP();

Q_SIGNALS:
    void inattivo();

private:
    void rilascia(AutomationObject *oggetto);
    void proprietarioUscito(const QString &proprietario);
    void fineInattivita();

    QDBusConnection m_bus;
    QDBusServiceWatcher m_proprietari;
    QTimer m_inattivita;
    QList<AutomationObject *> m_oggetti;
    quint64 m_numeroOggetti = 0;
};
