#include "DialogShots.h"

#include "FrmImpostazioni.h"
#include "FrmLeggimi.h"
#include "SettingsStore.h"
#include "frmAbout.h"
#include "frmSceltaServer.h"

#include <QDir>
#include <QEventLoop>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {
// Gives the window system time to map and paint the dialog before it is grabbed.
void settle()
{
    QEventLoop loop;
    QTimer::singleShot(400, &loop, &QEventLoop::quit);
    loop.exec();
}
} // namespace

void DialogShots::storeSampleSettings()
{
    const QString connessione = u"Connessione"_s;
    SettingsStore::setValue(u"ZUCiarlaChat"_s, connessione, u"Proxy"_s, u"proxy.esempio.example"_s);
    SettingsStore::setValue(u"ZUCiarlaChat"_s, connessione, u"Porta"_s, u"8080"_s);
    SettingsStore::setValue(u"ZUCiarlaChat"_s, connessione, u"Username"_s, u"mario"_s);
    SettingsStore::setValue(u"ZUCiarlaChat"_s, connessione, u"Password"_s, u"segreta"_s);
    SettingsStore::setValue(u"ZUCiarlaChat"_s, connessione, u"Sincrono"_s, u"0"_s);
    SettingsStore::setValue(u"CIARLACHAT"_s, u"server"_s, u"dns"_s, u"http://chat.esempio.example/"_s);
    SettingsStore::setValue(u"CIARLACHAT"_s, u"server"_s, u"canali"_s, u"1"_s);
}

bool DialogShots::grab(QWidget &dialog, const QString &file)
{
    dialog.show();
    settle();
    const bool written = dialog.grab().save(file, "PNG");
    dialog.hide();
    return written;
}

bool DialogShots::write(const QString &folder)
{
    storeSampleSettings();
    QDir().mkpath(folder);
    const QDir dir(folder);
    FrmImpostazioni impostazioni;
    frmSceltaServer connetti;
    frmAbout informazioni;
    FrmLeggimi leggimi;
    return grab(impostazioni, dir.filePath(u"impostazioni.png"_s)) && grab(connetti, dir.filePath(u"connetti.png"_s))
           && grab(informazioni, dir.filePath(u"informazioni.png"_s)) && grab(leggimi, dir.filePath(u"leggimi.png"_s));
}
