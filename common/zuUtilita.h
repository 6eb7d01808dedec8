#pragma once

#include <QString>
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
    // Trims the caller's path and gives it a trailing "/", in place.
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

    // --- System folders, registry and installation (zuUtilitaSistema.cpp) ---

private:
    bool LeggiChiaveRegistro(quint32 root, const QString &chiave, const QString &nomeValore, QString &testo);
    void mostraErroreCorrente(const QString &inizio);
};
