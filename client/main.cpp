#include "FrmMain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    FrmMain finestra;
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
