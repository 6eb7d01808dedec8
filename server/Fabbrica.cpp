#include "Fabbrica.h"

#include "AutomationContract.h"
#include "AutomationObject.h"
#include "fabbricaadaptor.h"

#include <QDBusConnectionInterface>
#include <QRandomGenerator>

using namespace Qt::StringLiterals;

namespace {
constexpr int attesaInattivita = 3000;
constexpr int cifreCasuali = 16; // hex digits of one 64-bit part
}

Fabbrica::Fabbrica(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
{
    new FabbricaAdaptor(this);
    m_proprietari.setConnection(m_bus);
    m_proprietari.setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(&m_proprietari, &QDBusServiceWatcher::serviceUnregistered, this, &Fabbrica::proprietarioUscito);
    m_inattivita.setSingleShot(true);
    m_inattivita.setInterval(attesaInattivita);
    connect(&m_inattivita, &QTimer::timeout, this, &Fabbrica::fineInattivita);
    m_inattivita.start();
}

Fabbrica::~Fabbrica()
{
    qDeleteAll(m_oggetti);
}

bool Fabbrica::pubblica()
{
    return m_bus.registerObject(AutomationContract::factoryPath, this, QDBusConnection::ExportAdaptors)
        && m_bus.registerVirtualObject(AutomationContract::objectsPath, &m_porta, QDBusConnection::SubPath)
        && m_bus.registerService(AutomationContract::service);
}

QDBusObjectPath Fabbrica::CreaRecuperaHTTP()
{
    const QString proprietario = calledFromDBus() ? message().service() : QString();
    const QString percorso = percorsoNuovo();
    auto *oggetto = new AutomationObject(proprietario, percorso, this);
    connect(oggetto, &AutomationObject::rilascio, this, [this, oggetto] { rilascia(oggetto); });
    m_oggetti.insert(percorso, oggetto);
    m_inattivita.stop();

    if (!proprietario.isEmpty() && !m_proprietari.watchedServices().contains(proprietario)) {
        m_proprietari.addWatchedService(proprietario);
        // The owner may have left before the watch was in place.
        if (!m_bus.interface()->isServiceRegistered(proprietario))
            QTimer::singleShot(0, this, [this, proprietario] { proprietarioUscito(proprietario); });
    }
    return QDBusObjectPath(percorso);
}

// 128 bits from the system's random source: a path nobody can guess.
QString Fabbrica::percorsoNuovo() const
{
    QString percorso;
    do {
        quint64 parti[2];
        QRandomGenerator::system()->fillRange(parti);
        percorso = AutomationContract::objectsPath + u'/';
        for (quint64 parte : parti)
            percorso += u"%1"_s.arg(parte, cifreCasuali, 16, QChar(u'0'));
    } while (m_oggetti.contains(percorso));
    return percorso;
}

void Fabbrica::rilascia(AutomationObject *oggetto)
{
    if (!m_oggetti.remove(oggetto->path()))
        return;
    // It may be the object whose call is being answered right now.
    oggetto->deleteLater();
    if (m_oggetti.isEmpty())
        m_inattivita.start();
}

void Fabbrica::proprietarioUscito(const QString &proprietario)
{
    m_proprietari.removeWatchedService(proprietario);
    const QList<AutomationObject *> oggetti = m_oggetti.values();
    for (AutomationObject *oggetto : oggetti) {
        if (oggetto->owner() == proprietario)
            rilascia(oggetto);
    }
}

void Fabbrica::fineInattivita()
{
    if (!m_oggetti.isEmpty())
        return;
    // Give the name back first: a client asking from now on gets a new server.
    m_bus.unregisterService(AutomationContract::service);
    Q_EMIT inattivo();
}
