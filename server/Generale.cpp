#include "Generale.h"

#include "CommandLine.h"
#include "Fabbrica.h"
#include "MessageBox.h"
#include "ServerLog.h"
#include "TrustStore.h"
#include "zuUtilita.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDBusConnection>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {
const QString soloServer = u"Il programma funziona unicamente come server EXE"_s;
}

int Generale::Main(int &argc, char **argv)
{
    if (const std::optional<int> uscita = CommandLine::answer(
            argc, argv, u"CiarlaServer"_s,
            u"Esegue le richieste HTTP di CiarlaChat; il bus di sessione lo avvia quando serve."_s))
        return *uscita;
    if (avviatoDalBus())
        return servi(argc, argv);
    if (!schermoDisponibile()) {
        std::fprintf(stderr, "%s\n", qPrintable(soloServer));
        return 0;
    }
    QApplication app(argc, argv);
    return avvioManuale();
}

int Generale::avvioManuale()
{
    MessageBox::show(soloServer, MessageBox::Information, u"Abort"_s);
    return 0;
}

zuUtilita &Generale::zu()
{
    static zuUtilita istanza;
    return istanza;
}

ServerLog &Generale::log()
{
    static ServerLog istanza;
    return istanza;
}

// The bus names the bus it started us for.
bool Generale::avviatoDalBus()
{
    return qEnvironmentVariableIsSet("DBUS_STARTER_BUS_TYPE") || qEnvironmentVariableIsSet("DBUS_STARTER_ADDRESS");
}

bool Generale::schermoDisponibile()
{
    return qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsSet("DISPLAY")
        || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

int Generale::servi(int &argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"CiarlaServer"_s);
    TrustStore::applyEnvironment();
    Fabbrica fabbrica(QDBusConnection::sessionBus());
    if (!fabbrica.pubblica()) {
        std::fprintf(stderr, "CiarlaServer: %s\n",
                     qPrintable(QDBusConnection::sessionBus().lastError().message()));
        return 1;
    }
    QObject::connect(&fabbrica, &Fabbrica::inattivo, &app, &QCoreApplication::quit);
    return app.exec();
}
