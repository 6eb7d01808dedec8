#include "RecuperaHTTP.h"

#include "AutomationContract.h"
#include "BusWait.h"
#include "RecuperaHTTPEvents.h"
#include "RuntimeError.h"
#include "automazioneproxy.h"
#include "fabbricaproxy.h"
#include "recuperahttpproxy.h"

#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QPointer>
#include <climits>
#include <functional>

using namespace Qt::StringLiterals;

namespace {
constexpr int creationTimeout = 30000;
const QString propertiesInterface = u"org.freedesktop.DBus.Properties"_s;

QString nextSinkPath()
{
    static quint64 counter = 0;
    return u"/it/ciarlasoft/CiarlaChat/RecuperaHTTP/"_s + QString::number(++counter);
}

bool isError(const QDBusMessage &reply)
{
    return reply.type() == QDBusMessage::ErrorMessage;
}

// The server's own failures come as "number: description"; any other error
// means that the object, or the whole server, is gone.
bool isServerFailure(const QDBusMessage &reply)
{
    return isError(reply) && reply.errorName() == AutomationContract::errorName;
}

RuntimeError serverFailure(const QDBusMessage &reply)
{
    const QString text = reply.errorMessage();
    const qsizetype colon = text.indexOf(u": "_s);
    bool ok = false;
    const qint32 number = colon > 0 ? text.left(colon).toInt(&ok) : 0;
    return ok ? RuntimeError(number, text.mid(colon + 2)) : RuntimeError(440, text);
}

RuntimeError cannotStart(const QString &detail)
{
    return RuntimeError(429, u"Impossibile avviare il server di recupero CiarlaServer (%1)."_s.arg(detail));
}

RuntimeError serverEnded()
{
    return RuntimeError(462, u"Il server di recupero CiarlaServer è terminato: la richiesta è andata perduta."_s);
}

RuntimeError connectionLost(const QDBusMessage &reply)
{
    return RuntimeError(462, u"Il server di recupero CiarlaServer non risponde (%1)."_s.arg(reply.errorMessage()));
}
} // namespace

// The object on the server and what keeps it: the generated proxies, our sink,
// and a watch on the server process, which is how we learn that it has ended.
class RecuperaHTTP::Remote
{
public:
    explicit Remote(RecuperaHTTP &owner);
    ~Remote();

    // Calls a member of the object, creating the object anew first if its
    // server has ended; throws the server's failure as RuntimeError.
    QDBusMessage invoke(const std::function<QDBusPendingCall()> &call);
    QVariant property(const QString &name);
    void setProperty(const QString &name, const QVariant &value);
    void release();

    RecuperaHTTPProxy &object() { return *m_object; }
    AutomazioneProxy &automation() { return *m_automation; }

    QString url; // the object's, as we last set it; set again on an object created anew
    bool requestInFlight = false; // a Download has started and its event has not come
    quint64 eventsReceived = 0;

private:
    void create();
    void serverLost();
    QDBusPendingCall properties(const QString &method, const QVariantList &arguments);

    RecuperaHTTP &q;
    QDBusConnection m_bus = QDBusConnection::sessionBus();
    const QString m_sinkPath = nextSinkPath();
    QPointer<RecuperaHTTPEvents> m_sink;
    QDBusServiceWatcher m_serverWatch;
    std::unique_ptr<RecuperaHTTPProxy> m_object;
    std::unique_ptr<AutomazioneProxy> m_automation;
};

RecuperaHTTP::Remote::Remote(RecuperaHTTP &owner)
    : q(owner)
{
    if (!m_bus.isConnected())
        throw cannotStart(m_bus.lastError().message());
    m_sink = new RecuperaHTTPEvents(
        [this](const QString &datafile) {
            ++eventsReceived;
            requestInFlight = false;
            Q_EMIT q.FileRicevuto(datafile);
        },
        [this](qint32 code, const QString &descrizione) {
            ++eventsReceived;
            requestInFlight = false;
            Q_EMIT q.Errore(code, descrizione);
        });
    m_bus.registerObject(m_sinkPath, m_sink, QDBusConnection::ExportAdaptors);
    m_serverWatch.setConnection(m_bus);
    m_serverWatch.setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    QObject::connect(&m_serverWatch, &QDBusServiceWatcher::serviceUnregistered, &q, [this] { serverLost(); });
    try {
        create();
    } catch (...) {
        m_bus.unregisterObject(m_sinkPath);
        delete m_sink;
        throw;
    }
}

RecuperaHTTP::Remote::~Remote()
{
    m_bus.unregisterObject(m_sinkPath);
    // Our owner may be destroyed by a handler, inside the sink's own call.
    if (m_sink)
        m_sink->deleteLater();
}

void RecuperaHTTP::Remote::create()
{
    FabbricaProxy factory(AutomationContract::service, AutomationContract::factoryPath, m_bus);
    factory.setTimeout(creationTimeout);
    QDBusMessage reply = waitForReply(factory.CreaRecuperaHTTP());
    // A server that was ending by itself just then gives way to a new one.
    if (isError(reply) && reply.errorName() == u"org.freedesktop.DBus.Error.NoReply"_s)
        reply = waitForReply(factory.CreaRecuperaHTTP());
    if (isError(reply))
        throw cannotStart(reply.errorMessage());

    // Later calls go to this very process, never to a new server that knows nothing of the object.
    const QString server = reply.service();
    const QString path = reply.arguments().value(0).value<QDBusObjectPath>().path();
    m_object = std::make_unique<RecuperaHTTPProxy>(server, path, m_bus);
    m_object->setTimeout(INT_MAX); // Download returns after the Errore of a failed start is handled
    m_automation = std::make_unique<AutomazioneProxy>(server, path, m_bus);
    m_automation->setTimeout(INT_MAX);
    m_serverWatch.setWatchedServices({server});

    QDBusMessage advised = waitForReply(m_automation->Advise(QDBusObjectPath(m_sinkPath)));
    if (!isError(advised) && !url.isEmpty())
        advised = waitForReply(properties(u"Set"_s, {AutomationContract::objectInterface, u"URL"_s,
                                                     QVariant::fromValue(QDBusVariant(url))}));
    if (isError(advised))
        throw cannotStart(advised.errorMessage());
}

void RecuperaHTTP::Remote::serverLost()
{
    if (!m_object)
        return;
    m_serverWatch.setWatchedServices({});
    m_automation.reset();
    m_object.reset();
    if (requestInFlight) {
        requestInFlight = false;
        const RuntimeError ended = serverEnded();
        Q_EMIT q.Errore(ended.number(), ended.description());
    }
}

QDBusMessage RecuperaHTTP::Remote::invoke(const std::function<QDBusPendingCall()> &call)
{
    if (!m_object)
        create();
    QDBusMessage reply = waitForReply(call());
    if (isError(reply) && !isServerFailure(reply)) {
        serverLost();
        create();
        reply = waitForReply(call());
    }
    if (isServerFailure(reply))
        throw serverFailure(reply);
    if (isError(reply))
        throw connectionLost(reply);
    return reply;
}

QDBusPendingCall RecuperaHTTP::Remote::properties(const QString &method, const QVariantList &arguments)
{
    QDBusMessage message =
        QDBusMessage::createMethodCall(m_object->service(), m_object->path(), propertiesInterface, method);
    message.setArguments(arguments);
    return m_bus.asyncCall(message, INT_MAX);
}

QVariant RecuperaHTTP::Remote::property(const QString &name)
{
    const QDBusMessage reply = invoke([&] { return properties(u"Get"_s, {AutomationContract::objectInterface, name}); });
    return reply.arguments().value(0).value<QDBusVariant>().variant();
}

void RecuperaHTTP::Remote::setProperty(const QString &name, const QVariant &value)
{
    invoke([&] {
        return properties(u"Set"_s, {AutomationContract::objectInterface, name, QVariant::fromValue(QDBusVariant(value))});
    });
}

void RecuperaHTTP::Remote::release()
{
    if (m_automation)
        waitForReply(m_automation->Rilascia());
}

RecuperaHTTP::RecuperaHTTP(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Remote>(*this))
{
}

RecuperaHTTP::~RecuperaHTTP()
{
    d->release();
}

QString RecuperaHTTP::URL() const
{
    return d->property(u"URL"_s).toString();
}

void RecuperaHTTP::setURL(const QString &url)
{
    // No other connection can change the object: the address it already has need not travel again.
    if (url == d->url)
        return;
    d->setProperty(u"URL"_s, url);
    d->url = url;
}

void RecuperaHTTP::Download()
{
    const quint64 eventsBefore = d->eventsReceived;
    d->invoke([this] { return d->object().Download(); });
    // The Errore of a failed start has already come while Download ran.
    d->requestInFlight = d->eventsReceived == eventsBefore;
}

qint16 RecuperaHTTP::stato()
{
    return qint16(d->property(u"stato"_s).toInt());
}

void RecuperaHTTP::Termina()
{
    d->invoke([this] { return d->object().Termina(); });
    d->requestInFlight = false;
}

QString RecuperaHTTP::NomeProxy() const
{
    return d->property(u"NomeProxy"_s).toString();
}

void RecuperaHTTP::setNomeProxy(const QString &value)
{
    d->setProperty(u"NomeProxy"_s, value);
}

QString RecuperaHTTP::PortaProxy() const
{
    return d->property(u"PortaProxy"_s).toString();
}

void RecuperaHTTP::setPortaProxy(const QString &value)
{
    d->setProperty(u"PortaProxy"_s, value);
}

QString RecuperaHTTP::Username() const
{
    return d->property(u"Username"_s).toString();
}

void RecuperaHTTP::setUsername(const QString &value)
{
    d->setProperty(u"Username"_s, value);
}

QString RecuperaHTTP::Password() const
{
    return d->property(u"Password"_s).toString();
}

void RecuperaHTTP::setPassword(const QString &value)
{
    d->setProperty(u"Password"_s, value);
}

bool RecuperaHTTP::Sincrono() const
{
    return d->property(u"Sincrono"_s).toBool();
}

void RecuperaHTTP::setSincrono(bool value)
{
    d->setProperty(u"Sincrono"_s, value);
}

void RecuperaHTTP::LeggiConfigurazione()
{
    d->invoke([this] { return d->object().LeggiConfigurazione(); });
}
