#include "ObjectGate.h"

#include "AutomationObject.h"

#include <QDBusConnection>
#include <QDBusMessage>

using namespace Qt::StringLiterals;

ObjectGate::ObjectGate(Finder find, QObject *parent)
    : QDBusVirtualObject(parent)
    , m_find(std::move(find))
{
}

bool ObjectGate::handleMessage(const QDBusMessage &message, const QDBusConnection &connection)
{
    AutomationObject *oggetto = m_find(message.path());
    if (oggetto && message.service() == oggetto->owner())
        return oggetto->handle(message, connection);
    // The folder itself introspects as an empty node.
    if (!oggetto && message.member() == u"Introspect"_s && message.signature().isEmpty())
        return false;
    connection.send(oggetto ? message.createErrorReply(QDBusError::AccessDenied,
                                                       u"The object belongs to another connection"_s)
                            : message.createErrorReply(QDBusError::UnknownObject,
                                                       u"No such object path '%1'"_s.arg(message.path())));
    return true;
}

QString ObjectGate::introspect(const QString &path) const
{
    return m_find(path) ? AutomationObject::introspection() : QString();
}
