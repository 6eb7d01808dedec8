#pragma once

#include <QDBusVirtualObject>
#include <functional>

class AutomationObject;

// The way in to every retrieval object: registered on the objects' folder
// with all the paths below it. A call reaches an object only when it comes
// from the connection that created it; any other is refused with AccessDenied
// before the object sees it. The folder lists no children, so a path is known
// only to whoever was given it.
class ObjectGate : public QDBusVirtualObject
{
    Q_OBJECT
public:
    using Finder = std::function<AutomationObject *(const QString &path)>;
    explicit ObjectGate(Finder find, QObject *parent = nullptr);

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;
    QString introspect(const QString &path) const override;

private:
    Finder m_find;
};
