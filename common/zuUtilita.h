#pragma once

#include <QString>
#include <optional>

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

    // --- Strings, paths and versions (zuUtilitaTesti.cpp) ---

    // --- System folders, registry and installation (zuUtilitaSistema.cpp) ---

private:
    bool LeggiChiaveRegistro(quint32 root, const QString &chiave, const QString &nomeValore, QString &testo);
    void mostraErroreCorrente(const QString &inizio);
};
