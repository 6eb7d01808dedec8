#include "AutomationObject.h"

#include "AutomationContract.h"
#include "BusEventSink.h"
#include "RuntimeError.h"

#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QFile>
#include <QMetaProperty>

using namespace Qt::StringLiterals;

namespace {
const QString propertiesInterface = u"org.freedesktop.DBus.Properties"_s;
const QString introspectableInterface = u"org.freedesktop.DBus.Introspectable"_s;

using Run = QDBusMessage (*)(AutomationObject &, const QDBusMessage &, const QDBusConnection &);

struct Member
{
    const QString &interface;
    QString name;
    QString signature;
    Run run;
};

QDBusMessage unknownMethod(const QDBusMessage &call)
{
    return call.createErrorReply(QDBusError::UnknownMethod,
                                 u"No method %1.%2(%3)"_s.arg(call.interface(), call.member(), call.signature()));
}

QString interfaceXml(const QString &contract, const QString &name)
{
    const qsizetype start = contract.indexOf(u"<interface name=\"%1\">"_s.arg(name));
    const QString end = u"</interface>"_s;
    return contract.mid(start, contract.indexOf(end, start) + end.size() - start) + u'\n';
}
} // namespace

AutomationObject::AutomationObject(const QString &owner, const QString &path, QObject *parent)
    : QObject(parent)
    , m_owner(owner)
    , m_path(path)
{
}

AutomationObject::~AutomationObject() = default;

bool AutomationObject::handle(const QDBusMessage &call, const QDBusConnection &bus)
{
    const QString interface = call.interface();
    if (interface == introspectableInterface || (interface.isEmpty() && call.member() == u"Introspect"_s))
        return false;
    const QDBusMessage reply = interface == propertiesInterface ? properties(call) : invoke(call, bus);
    if (reply.type() != QDBusMessage::InvalidMessage)
        bus.send(reply);
    return true;
}

QString AutomationObject::introspection()
{
    static const QString xml = [] {
        QFile file(u":/dbus/it.ciarlasoft.CiarlaServer.xml"_s);
        const QString contract = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        return interfaceXml(contract, AutomationContract::objectInterface)
            + interfaceXml(contract, AutomationContract::platformInterface);
    }();
    return xml;
}

QDBusMessage AutomationObject::invoke(const QDBusMessage &call, const QDBusConnection &bus)
{
    static const Member members[] = {
        {AutomationContract::objectInterface, u"Download"_s, {},
         [](AutomationObject &self, const QDBusMessage &call, const QDBusConnection &bus) {
             // The reply waits for the Errore event of a failed start to be handled.
             self.m_oggetto.Download([bus, reply = call.createReply()] { bus.send(reply); });
             return QDBusMessage();
         }},
        {AutomationContract::objectInterface, u"Termina"_s, {},
         [](AutomationObject &self, const QDBusMessage &call, const QDBusConnection &) {
             self.m_oggetto.Termina();
             return call.createReply();
         }},
        {AutomationContract::objectInterface, u"LeggiConfigurazione"_s, {},
         [](AutomationObject &self, const QDBusMessage &call, const QDBusConnection &) {
             self.m_oggetto.LeggiConfigurazione();
             return call.createReply();
         }},
        {AutomationContract::platformInterface, u"Advise"_s, u"o"_s,
         [](AutomationObject &self, const QDBusMessage &call, const QDBusConnection &bus) {
             // The sink is on the owner's own connection, whatever path it names.
             const QString sink = call.arguments().value(0).value<QDBusObjectPath>().path();
             auto nuovo = std::make_unique<BusEventSink>(bus, self.m_owner, sink);
             self.m_oggetto.setEventSink(nuovo.get());
             self.m_sink = std::move(nuovo);
             return call.createReply();
         }},
        {AutomationContract::platformInterface, u"Unadvise"_s, {},
         [](AutomationObject &self, const QDBusMessage &call, const QDBusConnection &) {
             self.m_oggetto.setEventSink(nullptr);
             self.m_sink.reset();
             return call.createReply();
         }},
        {AutomationContract::platformInterface, u"Rilascia"_s, {},
         [](AutomationObject &self, const QDBusMessage &call, const QDBusConnection &) {
             Q_EMIT self.rilascio();
             return call.createReply();
         }},
    };
    for (const Member &member : members) {
        if (member.name != call.member() || member.signature != call.signature()
            || !(call.interface().isEmpty() || call.interface() == member.interface))
            continue;
        try {
            return member.run(*this, call, bus);
        } catch (const RuntimeError &errore) {
            return call.createErrorReply(AutomationContract::errorName,
                                         AutomationContract::errorMessage(errore.number(), errore.description()));
        }
    }
    return unknownMethod(call);
}

// org.freedesktop.DBus.Properties over the class's own properties.
QDBusMessage AutomationObject::properties(const QDBusMessage &call)
{
    const QVariantList arguments = call.arguments();
    const QString interface = arguments.value(0).toString();
    if (!interface.isEmpty() && interface != AutomationContract::objectInterface)
        return call.createErrorReply(QDBusError::UnknownInterface, u"No interface %1"_s.arg(interface));
    const QMetaObject *meta = metaObject();
    if (call.member() == u"GetAll"_s && call.signature() == u"s"_s) {
        QVariantMap all;
        for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i)
            all.insert(QString::fromLatin1(meta->property(i).name()), meta->property(i).read(this));
        return call.createReply(QVariant::fromValue(all));
    }
    const QString name = arguments.value(1).toString();
    const int index = meta->indexOfProperty(name.toLatin1().constData());
    if (index < meta->propertyOffset())
        return call.createErrorReply(QDBusError::UnknownProperty, u"No property %1"_s.arg(name));
    const QMetaProperty property = meta->property(index);
    if (call.member() == u"Get"_s && call.signature() == u"ss"_s)
        return call.createReply(QVariant::fromValue(QDBusVariant(property.read(this))));
    if (call.member() != u"Set"_s || call.signature() != u"ssv"_s)
        return unknownMethod(call);
    if (!property.isWritable())
        return call.createErrorReply(QDBusError::PropertyReadOnly, u"Property %1 is read-only"_s.arg(name));
    const QVariant value = arguments.value(2).value<QDBusVariant>().variant();
    if (value.metaType() != property.metaType())
        return call.createErrorReply(QDBusError::InvalidArgs, u"Property %1 is of type %2"_s.arg(name, QString::fromLatin1(property.typeName())));
    property.write(this, value);
    return call.createReply();
}
