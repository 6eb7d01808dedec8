#include "AutomationObject.h"

#include "AutomationContract.h"
#include "BusEventSink.h"
#include "RuntimeError.h"
#include "automazioneadaptor.h"
#include "recuperahttpadaptor.h"

AutomationObject::AutomationObject(const QString &owner, const QDBusObjectPath &path, QObject *parent)
    : QObject(parent)
    , m_owner(owner)
    , m_path(path)
{
    new RecuperaHTTPAdaptor(this);
    new AutomazioneAdaptor(this);
}

AutomationObject::~AutomationObject() = default;

template<typename Member>
void AutomationObject::esegui(Member member)
{
    try {
        member();
    } catch (const RuntimeError &errore) {
        if (!calledFromDBus())
            throw;
        sendErrorReply(AutomationContract::errorName,
                       AutomationContract::errorMessage(errore.number(), errore.description()));
    }
}

void AutomationObject::Download()
{
    esegui([this] {
        std::function<void()> restituito;
        if (calledFromDBus()) {
            // The reply waits for the Errore event of a failed start to be handled.
            setDelayedReply(true);
            restituito = [bus = connection(), risposta = message().createReply()] { bus.send(risposta); };
        }
        m_oggetto.Download(std::move(restituito));
    });
}

void AutomationObject::Termina()
{
    esegui([this] { m_oggetto.Termina(); });
}

void AutomationObject::LeggiConfigurazione()
{
    esegui([this] { m_oggetto.LeggiConfigurazione(); });
}

void AutomationObject::Advise(const QDBusObjectPath &sink)
{
    if (!calledFromDBus())
        return;
    m_sink = std::make_unique<BusEventSink>(connection(), message().service(), sink.path());
    m_oggetto.setEventSink(m_sink.get());
}

void AutomationObject::Unadvise()
{
    m_oggetto.setEventSink(nullptr);
    m_sink.reset();
}

void AutomationObject::Rilascia()
{
    Q_EMIT rilascio();
}
