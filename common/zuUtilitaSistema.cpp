// System folders, registry and installation helpers of zuUtilita.
#include "zuUtilita.h"

#include "BlankText.h"
#include "ComponentLibrary.h"
#include "CurrentError.h"
#include "FileLockProbe.h"
#include "MessageBox.h"
#include "OsVersionRecord.h"
#include "Registry.h"
#include "RuntimeError.h"
#include "ShortcutShell.h"
#include "SystemFolders.h"
#include "NumericText.h"
#include "VolumeInfo.h"
#include "Windows1252.h"
#include "XdgShellFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QTemporaryFile>
#include <QtEndian>

using namespace Qt::StringLiterals;

namespace {
constexpr qint32 pathFileAccessError = 75;

const QString currentVersionKey = u"Software\\Microsoft\\Windows\\CurrentVersion"_s;
const QString sharedDllsKey = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs"_s;
const QString uninstallKey = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"_s;

RegistryValue stringValue(const QString &text)
{
    return {Registry::String, Windows1252::encode(text) + '\0'};
}

RegistryValue numberValue(qint32 number)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(number, bytes.data());
    return {Registry::DWord, bytes};
}

bool writeValue(std::optional<RegistryKey> key, const QString &name, const RegistryValue &value)
{
    return key && key->setValue(name, value);
}

bool writeDefaultString(quint32 root, const QString &path, const QString &text)
{
    return writeValue(Registry::createKey(root, path, Registry::WriteAccess), QString(), stringValue(text));
}

QString uninstallValueName(qint32 subchiave)
{
    switch (subchiave) {
    case 0:
        return u"ApplicationName"_s;
    case 1:
        return u"DisplayName"_s;
    case 2:
        return u"UninstallString"_s;
    case 3:
        return u"AppToUninstall"_s;
    default:
        return {};
    }
}

// Folders on the platform's drive "C" are those of the root volume; a path
// names the volume that holds it.
QString volumePath(const QString &drive)
{
    if (drive.compare(u"c"_s, Qt::CaseInsensitive) == 0)
        return u"/"_s;
    return drive.startsWith(u'/') ? drive : QString();
}

QString serialText(const QString &drive)
{
    const auto serial = VolumeInfo::serialNumber(volumePath(drive));
    return serial ? QString::number(*serial) : QString();
}

// The name and the version code share one table of conditions.
qint32 versionCode(const OsVersionRecord &v)
{
    switch (v.platformId) {
    case OsVersionRecord::Win32s:
        return 1;
    case OsVersionRecord::Windows9x:
        if (v.major == 4 && v.minor == 0)
            return 3;
        return v.major == 4 && v.minor == 10 ? 5 : 6;
    case OsVersionRecord::WindowsNT:
        if (v.major < 4)
            return 2;
        if (v.major == 4)
            return 4;
        return v.major == 5 && v.minor != 1 ? 7 : 8;
    default:
        return 0;
    }
}

QString versionName(qint32 code)
{
    static const QStringList names{QString(),     u"Wins32 "_s,    u"Windows NT"_s,
                                   u"Windows 95"_s, u"Windows NT"_s, u"Windows 98"_s,
                                   u"Windows Millennium"_s, u"Windows 2000"_s, u"Windows XP"_s};
    return names.value(code);
}

bool registerComponent(zuUtilita &zu, const QString &file, const char *entry, const QString &exeSwitch)
{
    if (file.size() < 5)
        return false;
    const QString estensione = file.right(4).toUpper();
    if (estensione == u".OCX"_s || estensione == u".DLL"_s)
        return ComponentLibrary::callEntry(file, entry);
    if (estensione == u".EXE"_s)
        return zu.ShellSospensiva(u'"' + file + u'"', exeSwitch);
    return false;
}
} // namespace

// --- Special folders ---

QString zuUtilita::leggiCartellaShell(quint32 root, const QString &nome, const QString &chiave)
{
    XdgShellFolders::ensureFilled(root);
    QString valore;
    if (!LeggiChiaveRegistro(root, chiave.isEmpty() ? XdgShellFolders::keyPath() : chiave, nome, valore))
        return {};
    return AggiungiSepDir(valore);
}

QString zuUtilita::CartellaDocumenti() { return leggiCartellaShell(Registry::CurrentUser, u"Personal"_s); }
QString zuUtilita::CartellaDati() { return leggiCartellaShell(Registry::CurrentUser, u"AppData"_s); }
QString zuUtilita::CartellaDatiCondivisi() { return leggiCartellaShell(Registry::LocalMachine, u"Common AppData"_s); }
QString zuUtilita::CartellaCondivisi()
{
    return leggiCartellaShell(Registry::LocalMachine, u"CommonFilesDir"_s, currentVersionKey);
}
QString zuUtilita::CartellaDesktop() { return leggiCartellaShell(Registry::CurrentUser, u"Desktop"_s); }
QString zuUtilita::CartellaDesktopTuttiUtenti()
{
    return leggiCartellaShell(Registry::LocalMachine, u"Common Desktop"_s);
}
QString zuUtilita::CartellaEsecuzioneAutomatica() { return leggiCartellaShell(Registry::CurrentUser, u"Startup"_s); }
QString zuUtilita::CartellaEsecuzioneAutomaticaTuttiUtenti()
{
    return leggiCartellaShell(Registry::LocalMachine, u"Common Startup"_s);
}
QString zuUtilita::CartellaPreferitiTuttiUtenti()
{
    return leggiCartellaShell(Registry::LocalMachine, u"Common Favorites"_s);
}
QString zuUtilita::CartellaMenuAvvio() { return leggiCartellaShell(Registry::CurrentUser, u"Start Menu"_s); }
QString zuUtilita::CartellaMenuAvvioTuttiUtenti()
{
    return leggiCartellaShell(Registry::LocalMachine, u"Common Start Menu"_s);
}
QString zuUtilita::CartellaSendTo() { return leggiCartellaShell(Registry::CurrentUser, u"SendTo"_s); }
QString zuUtilita::CartellaRecenti() { return leggiCartellaShell(Registry::CurrentUser, u"Recent"_s); }
QString zuUtilita::CartellaMenuProgrammi() { return leggiCartellaShell(Registry::CurrentUser, u"Programs"_s); }
QString zuUtilita::CartellaMenuProgrammiTuttiUtenti()
{
    return leggiCartellaShell(Registry::LocalMachine, u"Common Programs"_s);
}
QString zuUtilita::CartellaDocumentiCondivisi()
{
    return leggiCartellaShell(Registry::LocalMachine, u"Common Documents"_s);
}
QString zuUtilita::CartellaRisorseRete() { return leggiCartellaShell(Registry::CurrentUser, u"NetHood"_s); }
QString zuUtilita::CartellaImmagini() { return leggiCartellaShell(Registry::CurrentUser, u"My Pictures"_s); }
QString zuUtilita::CartellaImmaginiTuttiUtenti()
{
    return leggiCartellaShell(Registry::LocalMachine, u"Common Pictures"_s);
}
QString zuUtilita::CartellaCronologia() { return leggiCartellaShell(Registry::CurrentUser, u"History"_s); }
QString zuUtilita::CartellaFonts() { return leggiCartellaShell(Registry::CurrentUser, u"Fonts"_s); }
QString zuUtilita::CartellaPreferiti() { return leggiCartellaShell(Registry::CurrentUser, u"Favorites"_s); }
QString zuUtilita::CartellaCookies() { return leggiCartellaShell(Registry::CurrentUser, u"Cookies"_s); }
QString zuUtilita::CartellaInternetTemp() { return leggiCartellaShell(Registry::CurrentUser, u"Cache"_s); }

// --- Other folders and files ---

QString zuUtilita::CartellaWindows()
{
    const QString cartella = AggiungiSepDir(StripTerminator(SystemFolders::windowsFolder()));
    return cartella.isEmpty() ? u"/"_s : cartella;
}

QString zuUtilita::GetWindowsSysDir()
{
    return AggiungiSepDir(StripTerminator(SystemFolders::systemFolder()));
}

QString zuUtilita::GetFileTemporaneo()
{
    const QString cartella = GetDirectoryTemp();
    QTemporaryFile file(cartella + u"zuXXXXXX.tmp"_s);
    file.setAutoRemove(false);
    if (!file.open())
        return cartella + u"zu12345.tmp"_s;
    return file.fileName();
}

bool zuUtilita::WriteAccess(QString strDirName)
{
    AggiungiSepDir(strDirName);
    // A name of our own making, so that no file of the user's is overwritten and deleted.
    QTemporaryFile prova(strDirName + u"120asd12XXXXXX.tmp"_s);
    if (prova.open())
        return true;
    qint32 numero = pathFileAccessError;
    if (!QFileInfo(strDirName).isDir())
        numero = RuntimeError::PathNotFound;
    else if (prova.error() == QFileDevice::PermissionsError || !QFileInfo(strDirName).isWritable())
        numero = RuntimeError::PermissionDenied;
    const RuntimeError errore(numero);
    MessageBox::show(u"Errore # "_s + QString::number(numero) + u'\r' + errore.description(), MessageBox::Critical,
                     u"Errore"_s);
    CurrentError::clear();
    return false;
}

bool zuUtilita::DirectoryRete()
{
    return VolumeInfo::isNetwork(QCoreApplication::applicationDirPath());
}

bool zuUtilita::FileAperto(const QString &file)
{
    return FileLockProbe::probe(file) == FileLockProbe::State::Held;
}

bool zuUtilita::CreaPercorsoDirectory(QString &path)
{
    if (BlankText::trimmed(path).isEmpty())
        return false;
    AggiungiSepDir(path);
    if (QFileInfo(path).isDir())
        return true;
    // Every prefix that ends at a separator, the root included, must be a folder.
    for (qsizetype fine = path.indexOf(u'/'); fine >= 0; fine = path.indexOf(u'/', fine + 1)) {
        const QString prefisso = path.left(fine + 1);
        if (!QFileInfo(prefisso).isDir() && !QDir().mkdir(prefisso))
            return false;
    }
    return true;
}

bool zuUtilita::CreaPercorsoDirectory(QString &&path)
{
    return CreaPercorsoDirectory(path);
}

QString zuUtilita::Sfoglia_Cartella(QWidget *hWnd, const QString &sTitle)
{
    QFileDialog dialogo(hWnd, sTitle);
    dialogo.setFileMode(QFileDialog::Directory);
    dialogo.setOption(QFileDialog::ShowDirsOnly);
    if (dialogo.exec() != QDialog::Accepted || dialogo.selectedFiles().isEmpty())
        return {};
    return StripTerminator(dialogo.selectedFiles().constFirst());
}

void zuUtilita::EliminaReadOnly(const QString &filename)
{
    // Only the stored bits: Qt would write the "User" bits (what we may do) as the owner's.
    constexpr QFileDevice::Permissions stored = QFileDevice::Permissions::fromInt(0x7077);
    const QFileInfo file(filename);
    const QFileDevice::Permissions permessi = file.permissions() & stored;
    if (file.exists() && !permessi.testFlag(QFileDevice::WriteOwner))
        QFile::setPermissions(filename, permessi | QFileDevice::WriteOwner);
}

// --- Component registration ---

bool zuUtilita::RegistraServer(const QString &file)
{
    return registerComponent(*this, file, "DllRegisterServer", u"/REGSERVER"_s);
}

bool zuUtilita::DeRegistraServer(const QString &file)
{
    return registerComponent(*this, file, "DllUnregisterServer", u"/UNREGSERVER"_s);
}

// --- Shared-file counters ---

double zuUtilita::leggiContatoreCondiviso(const QString &pathfile)
{
    QString testo;
    if (!LeggiChiaveRegistro(Registry::LocalMachine, sharedDllsKey, pathfile, testo))
        testo = u"-1"_s;
    return NumericText::leadingValue(testo);
}

bool zuUtilita::SetFileShared(const QString &pathfile, bool EsisteGià)
{
    double contatore = leggiContatoreCondiviso(pathfile);
    if (EsisteGià && contatore == -1)
        contatore = 0;
    const qint32 nuovo = NumericText::toInteger32(contatore + 1);
    // A fresh hive has no counter key yet: it is made rather than failing every count.
    return writeValue(Registry::createKey(Registry::LocalMachine, sharedDllsKey, Registry::WriteAccess), pathfile,
                      numberValue(nuovo));
}

bool zuUtilita::DecFileShared(const QString &pathfile)
{
    const double contatore = leggiContatoreCondiviso(pathfile);
    auto chiave = Registry::openKey(Registry::LocalMachine, sharedDllsKey, Registry::WriteAccess);
    if (!chiave)
        return false;
    if (contatore < 1)
        return chiave->deleteValue(pathfile);
    return chiave->setValue(pathfile, numberValue(NumericText::toInteger32(contatore - 1)));
}

// --- Servers of a programmatic identifier ---

QString zuUtilita::leggiServer(const QString &applicazione, const QString &tipo)
{
    QString clsid;
    if (!LeggiChiaveRegistro(Registry::ClassesRoot, applicazione + u"\\Clsid"_s, QString(), clsid))
        return {};
    QString percorso;
    if (!LeggiChiaveRegistro(Registry::ClassesRoot, u"Clsid\\"_s + clsid + u'\\' + tipo, QString(), percorso))
        return {};
    return percorso;
}

QString zuUtilita::PathServerOcx(const QString &applicazione)
{
    return leggiServer(applicazione, u"InprocServer32"_s);
}

QString zuUtilita::PathServerExe(const QString &applicazione)
{
    return leggiServer(applicazione, u"LocalServer32"_s);
}

// --- Shortcuts ---

bool zuUtilita::CreaCollegamento(const QString &lnk_pathname, const QString &file, const QString &dir_lavoro)
{
    const ShortcutShell shell;
    auto collegamento = shell.CreateShortcut(lnk_pathname);
    if (!collegamento)
        return false;
    collegamento->TargetPath = file;
    collegamento->WorkingDirectory = dir_lavoro;
    collegamento->WindowStyle = 4;
    collegamento->IconLocation = file + u", 0"_s;
    return collegamento->Save();
}

// --- Windows version ---

qint32 zuUtilita::InfoSO()
{
    const auto versione = OsVersionRecord::query();
    return versione ? versionCode(*versione) : 0;
}

bool zuUtilita::IsWindowsNT()
{
    const auto versione = OsVersionRecord::query();
    return versione && versione->platformId == OsVersionRecord::WindowsNT;
}

QString zuUtilita::InfoSOVersione()
{
    const auto v = OsVersionRecord::query();
    if (!v)
        return {};
    return versionName(versionCode(*v)) + u' ' + u"%1.%2.%3"_s.arg(v->major).arg(v->minor).arg(v->build) + u' '
        + v->servicePack;
}

// --- Uninstall entries ---

QString zuUtilita::GetInfoDisinstallazione(const QString &chiave, qint32 subchiave)
{
    QString valore;
    LeggiChiaveRegistro(Registry::LocalMachine, uninstallKey + chiave, uninstallValueName(subchiave), valore);
    return valore;
}

bool zuUtilita::SetInfoDisinstallazione(const QString &chiave, qint32 subchiave, const QString &valore, bool crea)
{
    const QString percorso = uninstallKey + chiave;
    auto key = crea ? Registry::createKey(Registry::LocalMachine, percorso, Registry::WriteAccess)
                    : Registry::openKey(Registry::LocalMachine, percorso, Registry::WriteAccess);
    return writeValue(std::move(key), uninstallValueName(subchiave), stringValue(valore));
}

// --- File associations ---

bool zuUtilita::CreaAssociazione(QString file, QString ext)
{
    if (!writeDefaultString(Registry::ClassesRoot, ext, QString()))
        return false;
    if (!writeDefaultString(Registry::ClassesRoot, ext + u"\\Shell\\Open\\Command"_s, file + u" %1"_s))
        return false;
    // The icon is a nicety: the association works without it.
    writeDefaultString(Registry::ClassesRoot, ext + u"\\DefaultIcon"_s, file + u",0"_s);
    return true;
}

// --- Volume serial numbers ---

QString zuUtilita::GetSerialHD()
{
    return serialText(u"c"_s);
}

QString zuUtilita::GetSerialDrive(const QString &letteraDrive)
{
    return serialText(letteraDrive);
}
