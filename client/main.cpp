#include "FrmMain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    FrmMain finestra;
    if (!finestra.Form_Initialize())
        return 0;
    QObject::connect(&finestra, &FrmMain::programmaTerminato, &app, &QCoreApplication::quit, Qt::QueuedConnection);
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
