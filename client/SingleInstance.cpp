#include "SingleInstance.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

using namespace Qt::StringLiterals;

const QString SingleInstance::serviceName = u"it.ciarlasoft.CiarlaChat"_s;
const QString SingleInstance::objectPath = u"/it/ciarlasoft/CiarlaChat"_s;

SingleInstance::SingleInstance(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
{
}

bool SingleInstance::claim()
{
    if (!m_bus.isConnected())
        return true;
    m_bus.registerObject(objectPath, this, QDBusConnection::ExportAllSlots);
    const auto registered = m_bus.interface()->registerService(serviceName, QDBusConnectionInterface::DontQueueService,
                                                                QDBusConnectionInterface::DontAllowReplacement);
    if (registered.isValid() && registered.value() == QDBusConnectionInterface::ServiceRegistered)
        return true;
    m_bus.unregisterObject(objectPath);
    QDBusMessage activate = QDBusMessage::createMethodCall(serviceName, objectPath,
                                                           u"org.freedesktop.Application"_s, u"Activate"_s);
    activate << QVariantMap();
    // A first instance that no longer answers leaves this one to run on its own.
    return m_bus.call(activate, QDBus::Block, 5000).type() != QDBusMessage::ReplyMessage;
}

void SingleInstance::Activate(const QVariantMap &)
{
    Q_EMIT activated();
}
