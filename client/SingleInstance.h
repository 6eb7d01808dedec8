#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>

// One CiarlaChat for each session: the first to start owns the bus name
// it.ciarlasoft.CiarlaChat and answers Activate of org.freedesktop.Application;
// a later start asks it to come forward instead of polling the rooms a second time.
class SingleInstance : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    static const QString serviceName;
    static const QString objectPath;

    explicit SingleInstance(const QDBusConnection &bus, QObject *parent = nullptr);

    // True when this process is the first (or there is no bus to ask): it then owns
    // the name. False when another owns it and was told to raise its window.
    bool claim();

public Q_SLOTS:
    void Activate(const QVariantMap &platformData);

Q_SIGNALS:
    void activated();

private:
    QDBusConnection m_bus;
};
