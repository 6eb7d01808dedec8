#include "CommandLine.h"
#include "FrmMain.h"
#include "ItalianQt.h"
#include "SingleInstance.h"

#include <QApplication>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    if (const std::optional<int> uscita = CommandLine::answer(
            argc, argv, u"CiarlaChat"_s,
            u"Chat pubblica nelle stanze di un server web. Accetta anche le opzioni comuni delle "
            u"applicazioni Qt, come -platform e -style."_s))
        return *uscita;
    QApplication app(argc, argv);
    ItalianQt::install(app);
    // The window's class, which the desktop entry's StartupWMClass names, and its
    // identity on Wayland: the desktop entry's own name.
    QCoreApplication::setApplicationName(u"CiarlaChat"_s);
    QGuiApplication::setDesktopFileName(SingleInstance::serviceName);

    SingleInstance istanza(QDBusConnection::sessionBus());
    if (!istanza.claim())
        return 0;
    FrmMain finestra;
    // Another start brings forward what the user sees: the server selection, or the window.
    QObject::connect(&istanza, &SingleInstance::activated, &finestra, [&finestra] {
        QWidget *davanti = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : &finestra;
        if (davanti->isMinimized())
            davanti->showNormal();
        davanti->raise();
        davanti->activateWindow();
    });
    if (!finestra.Form_Initialize())
        return 0;
    // The program ends with its last window, or when a new server selection is
    // cancelled. Qt's own automatic quit does not fire here once the bus
    // connection is up, so both end it explicitly.
    const auto termina = [] { QCoreApplication::exit(0); };
    QObject::connect(&finestra, &FrmMain::programmaTerminato, &app, termina, Qt::QueuedConnection);
    QObject::connect(&app, &QGuiApplication::lastWindowClosed, &app, termina);
    finestra.Form_Load();
    finestra.show();
    // Without a window manager nobody else would make the window active, and
    // the first poll waits for that.
    finestra.activateWindow();
    const int uscita = app.exec();
    // The window released its retrieval objects for deletion; let them go now,
    // so CiarlaServer hears of it before the program ends.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return uscita;
}
