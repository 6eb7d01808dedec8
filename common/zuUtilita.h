#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;
class RuntimeError;

// The shared utility class of both programs. It holds no data: every holder
// creates its own instance when it first needs one.
class zuUtilita
{
public:
    // --- Settings, registry reader and program folders ---

    // fileINI is accepted and ignored: the value lives in the per-user store
    // under the application "ZUCiarlaChat".
    QString LeggiINI(const QString &fileINI, const QString &Sezione, const QString &chiave,
                     const QString &DefaultValore);
    bool ScriviINI(const QString &fileINI, const QString &Sezione, const QString &chiave, const QString &valore);
    void CurDirApp();
    // Trims the caller's path of blanks and gives it a trailing "/", in place.
    QString AggiungiSepDir(QString &percorso);
    QString AggiungiSepDir(QString &&percorso);
    QString CartellaApplicazione(const QString &applicazione);
    QString EstraiPath(const QString &filename);
    QString StripTerminator(const QString &strString);
    QString GetDirectoryTemp();

    // --- Log writer ---

    // Without filename: the program's folder, its executable's name, ".log".
    bool ScriviLog(const QString &testo, const std::optional<QString> &filename, bool data, bool CancellaPrecedente);

    // --- Error reporting ---

    QString MessaggioErroreITA(qint32 codice);
    // Shows the current error in an information box titled "Errore N", then clears it.
    void PrintErrore();
    void PrintErrore(const RuntimeError &error);
    void PrintErroreEx(const QString &inizio);

    // --- Shell, web and window helpers (zuUtilitaFinestre.cpp) ---

    // Opens a document, program or address with its associated program; unless
    // muto, a refused request is explained in a box titled "Errore".
    bool EseguiEx(QWidget *owner, const QString &file, bool muto = false);
    // The maker's home page, an address and a mail to the maker; failures pass silently.
    void Homepage(QWidget *owner);
    void GoWeb(QWidget *owner, const QString &indirizzoWeb);
    void EMail(QWidget *owner);
    // Starts a program registered under the application paths, without waiting.
    bool StartApplicazione(const QString &applicazione);
    // Runs a command line and blocks until the program has ended; false when it
    // could not be started.
    bool ShellSospensiva(const QString &ToRun, const std::optional<QString> &COMMANDLINE = std::nullopt);
    void FinetraTopMost(QWidget *finestra, bool SempreInPrimoPiano = true);
    // Shows and raises the first of the program's windows whose title contains testo.
    bool ShowFinestraConTitolo(const QString &testo);
    void CentraForm(QWidget *obj);
    void CentraFormFiglio(QWidget *padre, QWidget *obj);
    // Selects the whole text of a text field.
    void Evidenzia(QWidget *xCtrl);
    // Paints horizontal bands fading from ColoreIniziale (0xBBGGRR) as the window's background.
    void SfumaForm(QWidget *InputForm, quint32 ColoreIniziale = 0xFF0000, int PassoA = 60, int PassoB = 4);
    // Waits sec seconds (up to one more) while the windows stay responsive.
    void WaitSecondi(qint16 sec);
    void Sleep(qint32 millisecondi);
    qint16 KeyMaiuscolo(qint16 KeyAscii);
    // True when the running executable is one of the development environment's.
    bool IsVBEnvironment();

    // --- Strings, paths and versions (zuUtilitaTesti.cpp) ---

    // Texts longer than 32767 characters overflow (RuntimeError 6) where noted.
    // Replaces left to right without overlap; an empty argument changes nothing.
    QString zuReplace(QString testo, QString ricerca, QString sostituzione);
    // tmp becomes the pieces of buf between the separators (one trailing
    // separator dropped); false, with a single empty piece, for an empty buf or sep.
    // Overflows beyond 32767 characters.
    bool zuSplit(QStringList &tmp, QString buf, QString sep);
    // Without blanks (code 32); overflows beyond 32767 characters.
    QString EspuraSpazi(QString testo);
    // What follows the last "/" or "\"; overflows beyond 32767 characters.
    QString DeterminaSoloFileName(QString pathname);
    // What follows the last dot, or ""; overflows beyond 32767 characters.
    QString EstraiEstensione(const QString &filename);
    // The file version of a Windows executable or library, or "0.0.0.0".
    QString GetVersione(const QString &file);
    // 1, 0 or -1 by parts 1 to 4; a shorter version repeats its last part.
    // A part beyond 16 bits overflows.
    qint32 ConfrontaVersione(const QString &VersioneA, const QString &VersioneB);
    // A time after the zero date (1899-12-30); hours beyond 16 bits overflow.
    QDateTime LongToDate(qint32 sec);
    // The character code of the user's locale's separator when it is "," or ".", else 0.
    quint8 GetSeparatoreDecimale();
    quint8 GetSeparatoreMigliaia();
    // Expands an SZDD-compressed file, or copies a file in no such format.
    bool Decomprimi(const QString &sorgente, const QString &destinazione);

    // --- System folders, registry and installation (zuUtilitaSistema.cpp) ---

    // Folders of the shell's folder table, ending in "/", or "" when not set.
    // The table is filled with the user's XDG folders on first use.
    QString CartellaDocumenti();
    QString CartellaDati();
    QString CartellaDatiCondivisi();
    QString CartellaCondivisi();
    QString CartellaDesktop();
    QString CartellaDesktopTuttiUtenti();
    QString CartellaEsecuzioneAutomatica();
    QString CartellaEsecuzioneAutomaticaTuttiUtenti();
    QString CartellaPreferitiTuttiUtenti();
    QString CartellaMenuAvvio();
    QString CartellaMenuAvvioTuttiUtenti();
    QString CartellaSendTo();
    QString CartellaRecenti();
    QString CartellaMenuProgrammi();
    QString CartellaMenuProgrammiTuttiUtenti();
    QString CartellaDocumentiCondivisi();
    QString CartellaRisorseRete();
    QString CartellaImmagini();
    QString CartellaImmaginiTuttiUtenti();
    QString CartellaCronologia();
    QString CartellaFonts();
    QString CartellaPreferiti();
    QString CartellaCookies();
    QString CartellaInternetTemp();
    // The system's own tree ("/usr/", or "/" when it cannot be told) and the
    // folder of its shared libraries ("" when it cannot be told).
    QString CartellaWindows();
    QString GetWindowsSysDir();
    // Creates an empty file with a fresh name "zu….tmp" in the temporary folder.
    QString GetFileTemporaneo();
    // Whether a file can be created in the folder; a box "Errore" says why not.
    bool WriteAccess(QString strDirName);
    // Whether this program runs from a network file system.
    bool DirectoryRete();
    // Whether another holder has the file locked (or we may not read it).
    bool FileAperto(const QString &file);
    // Creates every missing folder of the path; gives the caller's path its final "/".
    bool CreaPercorsoDirectory(QString &path);
    bool CreaPercorsoDirectory(QString &&path);
    // The chosen folder, without a final "/", or "" when the user cancels.
    QString Sfoglia_Cartella(QWidget *hWnd, const QString &sTitle);
    // Gives the owner the write permission back.
    void EliminaReadOnly(const QString &filename);
    // ".dll"/".ocx": calls the library's (un)registration entry; ".exe": runs it
    // with "/REGSERVER" ("/UNREGSERVER") and waits.
    bool RegistraServer(const QString &file);
    bool DeRegistraServer(const QString &file);
    // The installation counters of shared files. A counter beyond 32 bits overflows.
    bool SetFileShared(const QString &pathfile, bool EsisteGià);
    bool DecFileShared(const QString &pathfile);
    // The file of the in-process or local server registered for a programmatic identifier.
    QString PathServerOcx(const QString &applicazione);
    QString PathServerExe(const QString &applicazione);
    // Saves a shortcut (a desktop entry) to file, starting in dir_lavoro.
    bool CreaCollegamento(const QString &lnk_pathname, const QString &file, const QString &dir_lavoro);
    // The Windows version: a code 0 to 8, whether NT, and its text; 0, false and
    // a text without a name on a platform that is no Windows.
    qint32 InfoSO();
    bool IsWindowsNT();
    QString InfoSOVersione();
    // Uninstall entries; subchiave 0 to 3 picks the value, any other the default one.
    QString GetInfoDisinstallazione(const QString &chiave, qint32 subchiave);
    bool SetInfoDisinstallazione(const QString &chiave, qint32 subchiave, const QString &valore, bool crea = false);
    // Opens files with extension key ext with the program file.
    bool CreaAssociazione(QString file, QString ext);
    // The volume's serial number as signed decimal text, or "". Drive "c" is the
    // root volume; a path names the volume that holds it.
    QString GetSerialHD();
    QString GetSerialDrive(const QString &letteraDrive);

private:
    bool LeggiChiaveRegistro(quint32 root, const QString &chiave, const QString &nomeValore, QString &testo);
    void mostraErroreCorrente(const QString &inizio);
    // zuUtilitaSistema.cpp
    QString leggiCartellaShell(quint32 root, const QString &nome, const QString &chiave = QString());
    double leggiContatoreCondiviso(const QString &pathfile);
    QString leggiServer(const QString &applicazione, const QString &tipo);
};
